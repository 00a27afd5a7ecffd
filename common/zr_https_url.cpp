#include "common/zr_https_url.h"

#include <cstddef>

bool isHttpsUrl(std::string_view url) {
  static constexpr std::string_view kScheme = "https://";
  if (url.size() <= kScheme.size()) return false;
  for (std::size_t i = 0; i < kScheme.size(); ++i) {
    char c = url[i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != kScheme[i]) return false;
  }
  for (const char c : url) {
    const unsigned char u = static_cast<unsigned char>(c);
    if (u <= 0x20 || u == 0x7f || c == '\\') return false;
  }
  // The host: what follows the scheme up to the path, query or fragment. A user part
  // ("https://name@host") is refused: it only serves to make an address look like another.
  const std::string_view rest = url.substr(kScheme.size());
  const std::string_view authority = rest.substr(0, rest.find_first_of("/?#"));
  if (authority.find('@') != std::string_view::npos) return false;
  const std::size_t colon = authority.rfind(':');
  const bool bracketed = !authority.empty() && authority.front() == '[';
  const std::string_view host =
      (colon != std::string_view::npos && (!bracketed || authority[colon - 1] == ']'))
          ? authority.substr(0, colon)
          : authority;
  return !host.empty() && host != "[]";
}
