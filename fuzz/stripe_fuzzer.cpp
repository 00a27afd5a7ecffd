// Stripe files (the per-track analysis cache a deck reads when it opens a known track), for the track
// length the file itself claims and for another one, with and without beats; and stripe names.

#include <cstdint>
#include <cstring>
#include <string>

#include "database/zr_stripe_file.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string path = orvel_fuzz::writeScratchFile("stripe", data, size);
  if (path.empty()) return 0;
  int32_t claimed = 0;
  if (size >= 8) std::memcpy(&claimed, data + 4, 4);
  // A track of more than six hours has no stripe; the reader sizes its read from the count it is given.
  if (claimed < 0 || claimed > 10'000'000) claimed = static_cast<int32_t>(size);
  for (const int expected : {static_cast<int>(claimed), static_cast<int>(size / 9)}) {
    for (const bool withBeats : {true, false}) {
      ZRStripeData stripe;
      if (readStripeFile(ZRString(path.c_str()), expected, withBeats, &stripe) == ZRStripeReadResult::kOk) {
        orvel_fuzz::fuzzCheck(stripe.onsets.size() == static_cast<size_t>(expected) &&
                                  stripe.amplitudes.size() == static_cast<size_t>(expected),
                              "a stripe read as good holds other counts than asked for");
        for (int beat : stripe.beats)
          orvel_fuzz::fuzzCheck(beat >= 0 && beat < expected, "beat outside the track");
      }
    }
  }
  // The bytes as a stripe name: the path stays inside the stripes folder or is empty.
  const std::string name(reinterpret_cast<const char*>(data), size < 64 ? size : 64);
  const std::string file = stripeFilePath(ZRString("/stripes"), ZRString(name.c_str())).utf8();
  orvel_fuzz::fuzzCheck(
      file.empty() || (file.rfind("/stripes/", 0) == 0 && file.find("/../") == std::string::npos),
      "a stripe name leads out of the stripes folder");
  return 0;
}
