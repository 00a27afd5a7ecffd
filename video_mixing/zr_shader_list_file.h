#pragma once
// shaders.xml: the shader list with its current choice.
//
//   <shaders version="1" currentShader="N">
//   <shader shaderID="..." name="..." filename="..." />
//   </shaders>
//
// preceded by the byte-order mark and the XML declaration every file of the system starts with. Reading
// takes the root "shaders", currentShader (-1 when missing) and each child "shader" (empty fields when
// missing), in file order; the version is not read.
//
// No state: callers serialise their own use.

#include <string>
#include <vector>

#include "common/zr_string.h"

struct ZRShaderListEntry {
  ZRString name;
  ZRString shaderID;
  ZRString filename;
};

// Parses the file's bytes. False (entries and current unchanged) when they are not XML with the root
// "shaders". current is returned as read: the caller checks it against the list.
bool parseShaderList(const char* data, size_t size, std::vector<ZRShaderListEntry>& entries, int& current);

// The whole file's text after the header, one line per element, each ending with a line feed.
std::string shaderListBody(const std::vector<ZRShaderListEntry>& entries, int current);
// Writes the file atomically (header and body); false, the old file untouched, when that fails.
bool writeShaderList(const ZRString& path, const std::vector<ZRShaderListEntry>& entries, int current);
