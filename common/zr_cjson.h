#pragma once
// ZRCJson: one owned cJSON tree (freed with cJSON_Delete), and checked reads of an object's members.
// The service clients read replies from the network with these: a member that is missing, of another
// kind, or a number that does not fit the asked type reads as "not there" instead of as a default, so
// that a malformed reply can be refused as a whole.
//
// Threads: a tree belongs to one thread at a time; the reads only look at the tree.

#include <cjson/cJSON.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

class ZRCJson {
 public:
  ZRCJson() = default;
  // Takes ownership of root (may be null).
  explicit ZRCJson(cJSON* root) : root_(root) {}
  ~ZRCJson() { cJSON_Delete(root_); }
  ZRCJson(ZRCJson&& other) noexcept : root_(other.release()) {}
  ZRCJson& operator=(ZRCJson&& other) noexcept;
  ZRCJson(const ZRCJson&) = delete;
  ZRCJson& operator=(const ZRCJson&) = delete;

  // Parses text (which need not end in NUL); an empty tree when it is not one whole JSON value.
  static ZRCJson parse(std::string_view text);

  cJSON* get() const { return root_; }
  explicit operator bool() const { return root_ != nullptr; }
  // Hands the tree over to the caller.
  cJSON* release();
  // The tree as compact JSON text; "" for an empty tree.
  std::string print() const;

 private:
  cJSON* root_ = nullptr;
};

// The member called name of object (byte-exact name); null when object is not an object or lacks it.
const cJSON* cjsonMember(const cJSON* object, const char* name);
// Each read is true and writes out only when the member exists and has the kind asked for: text; a
// number that is whole and fits a signed 64-bit integer; any finite number; true or false.
bool cjsonText(const cJSON* object, const char* name, std::string& out);
bool cjsonInt64(const cJSON* object, const char* name, int64_t& out);
bool cjsonDouble(const cJSON* object, const char* name, double& out);
bool cjsonBool(const cJSON* object, const char* name, bool& out);
// The same checks for a value itself (an array element, say).
bool cjsonValueInt64(const cJSON* value, int64_t& out);
