#include "gui/zr_wx_strings.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "common/zr_utf8_cut.h"

namespace {

void copyCut(const char* text, size_t length, char* out, size_t outBytes, bool utf8) {
  const size_t n = utf8 ? utf8CutLength(text, length, outBytes - 1) : std::min(length, outBytes - 1);
  std::memcpy(out, text, n);
  out[n] = '\0';
}

}  // namespace

wxString CharTowxString(const char* text) {
  return text != nullptr ? wxString::FromUTF8(text) : wxString();
}

void wxStringToUTF8Char(const wxString& text, char* out, size_t outBytes) {
  if (out == nullptr || outBytes == 0) return;
  out[0] = '\0';
  const wxScopedCharBuffer utf8 = text.utf8_str();
  copyCut(utf8.data(), utf8.length(), out, outBytes, true);
}

void wxStringToChar(const wxString& text, char* out, size_t outBytes) {
  if (out == nullptr || outBytes == 0) return;
  out[0] = '\0';
  const wxScopedCharBuffer bytes = text.mb_str(*wxConvCurrent);
  // The toolkit gives an empty buffer for a text its current encoding cannot hold.
  if (bytes.data() == nullptr || (bytes.length() == 0 && !text.empty())) return;
  copyCut(bytes.data(), bytes.length(), out, outBytes, false);
}

void wxStringToUTF16_wchar_t(const wxString& text, wchar_t* out, size_t outChars) {
  if (out == nullptr || outChars == 0) return;
  const std::wstring wide = text.ToStdWstring();
  const size_t n = std::min(wide.size(), outChars - 1);
  std::copy(wide.data(), wide.data() + n, out);
  out[n] = L'\0';
}
