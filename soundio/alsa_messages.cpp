#include "soundio/alsa_messages.h"

#include <alsa/asoundlib.h>

namespace {

void discard(const char*, int, const char*, int, const char*, ...) {}

}  // namespace

void quietAlsaErrorMessages() {
  snd_lib_error_set_handler(&discard);
}
