#pragma once
// The start of every XML file the system writes: a UTF-8 byte-order mark and
// the declaration <?xml version="1.0" encoding="UTF-8" standalone="yes" ?>.

#include <fstream>

#include "common/zr_string.h"

// Opens stream on path (UTF-8) for binary writing, truncating an existing
// file, and writes the byte-order mark (EF BB BF) and the declaration with a
// line feed. The stream is then set to write numbers the C way ('.' as the
// decimal point, whatever the user's locale) and floats in fixed notation
// with 4 decimals (1.5 as 1.5000). False, nothing written, when the file
// cannot be opened (for example in a folder that does not exist).
bool writeXmlHeaderUTF8(std::ofstream& stream, ZRString path);
