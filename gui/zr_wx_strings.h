#pragma once
// Conversions between the toolkit's strings and the byte and wide strings of the rest of the system.
// The system's texts are UTF-8; the toolkit's are Unicode. Each copy into a caller's buffer takes the
// buffer's size and never writes beyond it: a text that does not fit is cut (at a character boundary
// for UTF-8) and always terminated.
//
// Any thread may convert; only the main thread may touch toolkit windows with the results.

#include <wx/string.h>

#include <cstddef>

// A toolkit string from UTF-8 text; null gives the empty string, invalid UTF-8 gives what the toolkit
// makes of it (the empty string).
wxString CharTowxString(const char* text);

// The text as UTF-8 into out (outBytes bytes, terminator included): "" first, then as much of the text
// as fits. Nothing when out is null or outBytes is 0.
void wxStringToUTF8Char(const wxString& text, char* out, size_t outBytes);

// The text in the toolkit's current multibyte encoding into out (as above); "" when the text cannot be
// converted to that encoding.
void wxStringToChar(const wxString& text, char* out, size_t outBytes);

// The toolkit string's wide characters (32-bit on this platform) into out, outChars characters with
// the terminating NUL; cut when it does not fit. Nothing when out is null or outChars is 0.
void wxStringToUTF16_wchar_t(const wxString& text, wchar_t* out, size_t outChars);
