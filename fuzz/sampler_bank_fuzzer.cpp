// sampler.xml as the start-up reads it: whatever the bytes, reading ends with a result (an unreadable
// bank moved aside, never lost), and the samples that read write and read back the same.

#include <cstdint>
#include <string>
#include <vector>

#include "actions_dj/sampler_bank.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  orvel_fuzz::quietLogs();
  orvel_fuzz::quietXmlErrors();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // Banks moved aside by earlier inputs go, so the folder stays small.
  orvel_fuzz::emptyFolder(orvel_fuzz::scratchFolder());
  const std::string path = orvel_fuzz::writeScratchFile("sampler.xml", data, size);
  if (path.empty()) return 0;
  std::vector<ZRSamplerBankSample> samples;
  if (!readSamplerBank(ZRString(path), ZRString(), samples)) {
    orvel_fuzz::fuzzCheck(orvel_fuzz::listTree(orvel_fuzz::scratchFolder()).size() == 1,
                          "an unreadable bank was not kept");
    return 0;
  }
  const std::string copy = orvel_fuzz::scratchFolder() + "copy.xml";
  orvel_fuzz::fuzzCheck(writeSamplerBank(ZRString(copy), samples), "a read bank cannot be written");
  std::vector<ZRSamplerBankSample> again;
  orvel_fuzz::fuzzCheck(readSamplerBank(ZRString(copy), ZRString(), again),
                        "a written bank does not read back");
  size_t withFile = 0;
  for (const ZRSamplerBankSample& s : samples) withFile += s.file.empty() ? 0 : 1;
  orvel_fuzz::fuzzCheck(again.size() == withFile, "samples lost in a round trip");
  for (size_t i = 0; i < again.size() && i < samples.size(); ++i) {
    orvel_fuzz::fuzzCheck(again[i].slot >= 0 && again[i].slot < kSamplerBankSlots, "a slot out of range");
  }
  return 0;
}
