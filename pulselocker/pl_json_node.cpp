#include "pulselocker/pl_json_node.h"

#include <cmath>
#include <new>

#include "common/zr_cjson.h"
#include "pulselocker/pl_error.h"

namespace {

std::shared_ptr<cJSON> own(cJSON* node) {
  if (node == nullptr) throw std::bad_alloc();
  return std::shared_ptr<cJSON>(node, cJSON_Delete);
}

}  // namespace

JSONNode::JSONNode() : node_(own(cJSON_CreateNull())) {}

JSONNode::JSONNode(std::shared_ptr<cJSON> node, std::string name)
    : node_(std::move(node)), name_(std::move(name)) {}

JSONNode JSONNode::adopt(cJSON* node) {
  return JSONNode(own(node));
}

JSONNode JSONNode::object() {
  return adopt(cJSON_CreateObject());
}
JSONNode JSONNode::array() {
  return adopt(cJSON_CreateArray());
}
JSONNode JSONNode::text(const std::string& value) {
  return adopt(cJSON_CreateString(value.c_str()));
}
JSONNode JSONNode::number(int64_t value) {
  return adopt(cJSON_CreateNumber(static_cast<double>(value)));
}
JSONNode JSONNode::number(double value) {
  return adopt(cJSON_CreateNumber(value));
}
JSONNode JSONNode::boolean(bool value) {
  return adopt(cJSON_CreateBool(value));
}

JSONNode JSONNode::fromMap(const std::map<std::string, JSONNode>& members) {
  JSONNode result = object();
  for (const auto& [key, value] : members) {
    JSONNode member = value;
    member.setName(key);
    result.push_back(member);
  }
  return result;
}

JSONNode JSONNode::parse(std::string_view text) {
  ZRCJson parsed = ZRCJson::parse(text);
  if (!parsed) throw pl::json::ShapeError(2, "Not a JSON value.");
  return adopt(parsed.release());
}

void JSONNode::shapeError(const char* what) {
  throw pl::json::ShapeError(1, what);
}

JSONNode::Kind JSONNode::kind() const {
  const cJSON* n = node_.get();
  if (cJSON_IsObject(n)) return Kind::Object;
  if (cJSON_IsArray(n)) return Kind::Array;
  if (cJSON_IsString(n)) return Kind::Text;
  if (cJSON_IsNumber(n)) return Kind::Number;
  if (cJSON_IsBool(n)) return Kind::Bool;
  return Kind::Null;
}

std::size_t JSONNode::size() const {
  if (!cJSON_IsObject(node_.get()) && !cJSON_IsArray(node_.get())) return 0;
  return static_cast<std::size_t>(cJSON_GetArraySize(node_.get()));
}

JSONNode JSONNode::at(std::size_t index) const {
  std::size_t i = 0;
  if (cJSON_IsObject(node_.get()) || cJSON_IsArray(node_.get())) {
    for (cJSON* child = node_->child; child != nullptr; child = child->next, ++i) {
      if (i == index) {
        // The handle shares the whole tree, so the member stays valid while it lives.
        return JSONNode(std::shared_ptr<cJSON>(node_, child),
                        cJSON_IsObject(node_.get()) && child->string != nullptr ? child->string : "");
      }
    }
  }
  throw pl::json::AccessError(2, "Index out of range.");
}

bool JSONNode::has(const std::string& name) const {
  return cjsonMember(node_.get(), name.c_str()) != nullptr;
}

JSONNode JSONNode::operator[](const std::string& name) const {
  cJSON* member = const_cast<cJSON*>(cjsonMember(node_.get(), name.c_str()));
  if (member == nullptr) throw pl::json::AccessError(1, "Key does not exist: \"" + name + "\".");
  return JSONNode(std::shared_ptr<cJSON>(node_, member), name);
}

void JSONNode::makePrivate() {
  if (node_.use_count() > 1) node_ = own(cJSON_Duplicate(node_.get(), true));
}

void JSONNode::push_back(const JSONNode& child) {
  const bool isObject = cJSON_IsObject(node_.get());
  if (!isObject && !cJSON_IsArray(node_.get())) shapeError("Not an object or array.");
  makePrivate();
  cJSON* copy = cJSON_Duplicate(child.node_.get(), true);
  if (copy == nullptr) throw std::bad_alloc();
  const bool added = isObject ? cJSON_AddItemToObject(node_.get(), child.name_.c_str(), copy)
                              : cJSON_AddItemToArray(node_.get(), copy);
  if (!added) {
    cJSON_Delete(copy);
    throw std::bad_alloc();
  }
}

std::string JSONNode::asText() const {
  if (!cJSON_IsString(node_.get()) || node_->valuestring == nullptr) shapeError("Not a text.");
  return node_->valuestring;
}

int64_t JSONNode::asInt() const {
  int64_t value = 0;
  if (!cjsonValueInt64(node_.get(), value)) shapeError("Not a whole number.");
  return value;
}

double JSONNode::asDouble() const {
  if (!cJSON_IsNumber(node_.get()) || !std::isfinite(node_->valuedouble)) shapeError("Not a number.");
  return node_->valuedouble;
}

bool JSONNode::asBool() const {
  if (!cJSON_IsBool(node_.get())) shapeError("Not a boolean.");
  return cJSON_IsTrue(node_.get());
}

std::string JSONNode::write() const {
  std::unique_ptr<char, void (*)(void*)> text(cJSON_PrintUnformatted(node_.get()), cJSON_free);
  if (!text) throw std::bad_alloc();
  return text.get();
}
