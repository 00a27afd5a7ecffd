#include "codecs/zr_codec_base.h"

// Plain decoders have nobody to tell about a jump; the picture decoder forwards it to its renderer.
void ZRCodecBase::announceSeekToSample(int /*frame*/, bool /*flag*/) {}
