#pragma once
// JSONNode: the SDK interface's JSON value, a handle to a node that several handles may share. A handle
// that is about to change a shared node first takes a private copy, so a change never shows through
// another handle. Kinds: null, object (named members, kept in the order they were added), array, text,
// number (from a 64-bit integer or a double; integers beyond 2^53 lose their low bits) and boolean.
// A node made from a value has an empty name; an object member carries its name.
//
// Reads fail with pl::json::AccessError (a member the object lacks) or pl::json::ShapeError (a value of
// another kind, an integer read of a number that is not a whole 64-bit value, text that is not JSON).
//
// Threads: one handle belongs to one thread at a time; handles sharing a node may be read on several
// threads, and a change on one of them copies first.

#include <cjson/cJSON.h>

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>

class JSONNode {
 public:
  enum class Kind { Null, Object, Array, Text, Number, Bool };

  JSONNode();  // null
  static JSONNode object();
  static JSONNode array();
  static JSONNode text(const std::string& value);
  static JSONNode number(int64_t value);
  static JSONNode number(double value);
  static JSONNode boolean(bool value);
  // An object whose members are the map's nodes in the map's (ascending name) order, each named after
  // its key.
  static JSONNode fromMap(const std::map<std::string, JSONNode>& members);
  // The value written in text; ShapeError when text is not exactly one JSON value.
  static JSONNode parse(std::string_view text);

  Kind kind() const;
  const std::string& name() const { return name_; }
  void setName(const std::string& name) { name_ = name; }

  // Members of an object or elements of an array (0 for other kinds), and the one at index.
  std::size_t size() const;
  JSONNode at(std::size_t index) const;
  bool has(const std::string& name) const;
  // The member called name; AccessError with "Key does not exist: \"name\"." when there is none.
  JSONNode operator[](const std::string& name) const;
  // Appends child to an array, or to an object under the child's name (ShapeError for other kinds).
  void push_back(const JSONNode& child);

  std::string asText() const;
  int64_t asInt() const;
  double asDouble() const;
  bool asBool() const;

  // Compact JSON text of the node.
  std::string write() const;

 private:
  explicit JSONNode(std::shared_ptr<cJSON> node, std::string name = std::string());
  static JSONNode adopt(cJSON* node);
  void makePrivate();
  [[noreturn]] static void shapeError(const char* what);

  std::shared_ptr<cJSON> node_;
  std::string name_;
};
