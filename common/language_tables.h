#pragma once
// Language tables: every user-visible text of the system (messages by text id, labels and hints
// by action id) comes from a language file; the tables are empty until one is loaded.
//
// A language file is UTF-8 XML: root "languagestrings" with the attributes language, locale and
// targetversion (usable from 100 on), and children "string" (action = a text id name), "label"
// and "hint" (action = an action name), each with a "value". In a value, backslash-n stands for a
// line break.
//
// Loading and scanning run on the main thread; the getters may be called from any thread, also
// while another language is being loaded.

#include "common/zr_string.h"

inline constexpr int LANGUAGE_OLDEST_COMPATIBLE_VERSION = 100;
inline constexpr int MAX_FOUND_LANGUAGES = 32;

// One usable language file found by the last scan.
struct TFoundLanguage {
  ZRString language;       // the file's language attribute
  ZRString locale;         // its locale attribute, or the language when it has none
  ZRString path;           // the file's full path
  int targetversion = -1;  // -1 when the file has none
};

extern TFoundLanguage cfg_found_languages[MAX_FOUND_LANGUAGES];
extern int cfg_total_languages;

// Copies of the translated texts. Ids outside the table give the empty text.
ZRString getTextName(int textId);   // 0..283
ZRString getLabelName(int action);  // 0..727
ZRString getHintName(int action);   // 0..727

// Reads a language file into the tables; entries the file does not name keep their text. false
// (tables unchanged) when the file is missing, is not XML or its root is not languagestrings. The
// targetversion is not looked at here.
bool LoadLanguage(ZRString path);

// Empties all three tables (a fresh start before another language is loaded, and for tests).
void ClearLanguageTables();

// True when the file is a usable language file. Otherwise false with one "lang: ..." log line,
// and with deleteIfBad non-zero the file is deleted first (a missing file is neither logged nor
// deleted).
bool CheckLanguageFile(ZRString path, int deleteIfBad);

// Rebuilds cfg_found_languages from the entries of folder (sorted by name ignoring case): files
// with root languagestrings, a language attribute and targetversion 100 or more. Returns the
// position of the "english" file among them, 0 when there is none. Usable files beyond
// MAX_FOUND_LANGUAGES are skipped with a log line.
int ScanLanguageFolder(ZRString folder);

// The chooser's text for found language n: locale, a space and the language in parentheses
// ("de (deutsch)"); the empty text outside 0..cfg_total_languages-1.
ZRString GetLanguageChoiceEntry(int n);

// The path of found language n; the empty text outside 0..cfg_total_languages-1.
ZRString GetLanguageFilename(int n);
