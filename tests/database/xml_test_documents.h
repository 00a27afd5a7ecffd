#pragma once
// Hostile XML for the library's readers: a document whose entities would
// grow to about 100 GB if a reader expanded them.

#include <string>

namespace orvel_test {

// An XML declaration, a document type whose entity l11 stands for 10^11
// copies of "laugh", and body (which uses &l11; where the test wants it).
inline std::string withExpandingEntities(const std::string& rootName, const std::string& body) {
  std::string text = "<?xml version=\"1.0\"?>\n<!DOCTYPE " + rootName + " [<!ENTITY l0 \"laugh\">";
  for (int i = 1; i < 12; ++i) {
    text += "<!ENTITY l" + std::to_string(i) + " \"";
    for (int k = 0; k < 10; ++k) text += "&l" + std::to_string(i - 1) + ";";
    text += "\">";
  }
  return text + "]>\n" + body + "\n";
}

}  // namespace orvel_test
