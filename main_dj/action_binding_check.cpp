#include "main_dj/action_binding_check.h"

#include "common/zr_logging.h"

namespace {
std::vector<ZRBindingRecord> records;
int failures = 0;
}  // namespace

void noteBinding(ZRDrawNode* node, int slot) {
  records.push_back({node, slot});
}

void noteBindingFailure(const char* functionName) {
  failures++;
  ZRLOG("binding: no action function named %s", functionName != nullptr ? functionName : "(null)");
}

const std::vector<ZRBindingRecord>& bindingRecords() {
  return records;
}
int bindingFailureCount() {
  return failures;
}
void resetBindingRecords() {
  records.clear();
  failures = 0;
}
