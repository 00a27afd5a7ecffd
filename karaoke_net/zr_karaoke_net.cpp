#include "karaoke_net/zr_karaoke_net.h"

ZRKaraokeNet* karnet1 = nullptr;
