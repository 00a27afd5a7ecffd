// The streaming service's replies and stored records: the bytes as an HTTP reply body (the OK rule and
// the refusal details of an error reply), then as a stored song record read back into a song, whose
// JSON form must read back to the same song.

#include <cstdint>
#include <string>

#include "fuzz_support.h"
#include "pulselocker/pl_api.h"
#include "pulselocker/pl_records.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  for (const int status : {200, 401}) {
    pl::http::Response reply;
    reply.status = status;
    reply.body = text;
    try {
      pl::api::Response(reply).assertOkay();
    } catch (const pl::Error&) {
    }
  }
  try {
    const pl::Song song = pl::Song::fromJSON(JSONNode::parse(text));
    const std::string written = song.toJSON().write();
    const pl::Song again = pl::Song::fromJSON(JSONNode::parse(written));
    orvel_fuzz::fuzzCheck(again.toJSON().write() == written, "a song's JSON reads back to the same song");
  } catch (const pl::Error&) {
  }
  return 0;
}
