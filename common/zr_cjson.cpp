#include "common/zr_cjson.h"

#include <cmath>
#include <cstdlib>
#include <memory>

ZRCJson& ZRCJson::operator=(ZRCJson&& other) noexcept {
  if (this != &other) {
    cJSON_Delete(root_);
    root_ = other.release();
  }
  return *this;
}

ZRCJson ZRCJson::parse(std::string_view text) {
  const char* end = nullptr;
  cJSON* root = cJSON_ParseWithLengthOpts(text.data(), text.size(), &end, false);
  if (root == nullptr) return ZRCJson();
  // Only blanks may follow the value: "{}x" is not a reply.
  for (const char* p = end; p != nullptr && p < text.data() + text.size(); ++p) {
    if (*p != ' ' && *p != '\t' && *p != '\r' && *p != '\n' && *p != '\0') {
      cJSON_Delete(root);
      return ZRCJson();
    }
  }
  return ZRCJson(root);
}

cJSON* ZRCJson::release() {
  cJSON* root = root_;
  root_ = nullptr;
  return root;
}

std::string ZRCJson::print() const {
  if (root_ == nullptr) return std::string();
  std::unique_ptr<char, void (*)(void*)> text(cJSON_PrintUnformatted(root_), cJSON_free);
  return text ? std::string(text.get()) : std::string();
}

const cJSON* cjsonMember(const cJSON* object, const char* name) {
  if (object == nullptr || !cJSON_IsObject(object)) return nullptr;
  return cJSON_GetObjectItemCaseSensitive(object, name);
}

bool cjsonText(const cJSON* object, const char* name, std::string& out) {
  const cJSON* member = cjsonMember(object, name);
  if (member == nullptr || !cJSON_IsString(member) || member->valuestring == nullptr) return false;
  out = member->valuestring;
  return true;
}

bool cjsonValueInt64(const cJSON* value, int64_t& out) {
  if (value == nullptr || !cJSON_IsNumber(value)) return false;
  const double number = value->valuedouble;
  // 2^63 itself does not fit; every double below it that is whole does.
  if (!std::isfinite(number) || number != std::trunc(number) || number < -9223372036854775808.0 ||
      number >= 9223372036854775808.0) {
    return false;
  }
  out = static_cast<int64_t>(number);
  return true;
}

bool cjsonInt64(const cJSON* object, const char* name, int64_t& out) {
  return cjsonValueInt64(cjsonMember(object, name), out);
}

bool cjsonDouble(const cJSON* object, const char* name, double& out) {
  const cJSON* member = cjsonMember(object, name);
  if (member == nullptr || !cJSON_IsNumber(member) || !std::isfinite(member->valuedouble)) return false;
  out = member->valuedouble;
  return true;
}

bool cjsonBool(const cJSON* object, const char* name, bool& out) {
  const cJSON* member = cjsonMember(object, name);
  if (member == nullptr || !cJSON_IsBool(member)) return false;
  out = cJSON_IsTrue(member);
  return true;
}
