#pragma once
// The language of the user interface at start-up: the installed language file (language.xml in the
// Settings folder; the resources may be read-only) is checked, installed when missing (from the application
// folder's languages/language.xml, else from the language the user picks in the chooser) and loaded into
// the language tables.
//
// Main thread, after InitializeApplicationFolders.

#include "common/zr_string.h"

// Settings folder + "language.xml".
ZRString installedLanguageFilePath();

// Makes sure a language file is installed and loaded. A broken installed file (not XML, another root, an
// old target version) is deleted and replaced. false when the user declined the chooser (nothing shown) or
// the file cannot be loaded (the user is told "Can not load language file '<path>'"). Under the test suite
// the chooser is not shown: the language it would preselect (English) is taken.
bool LoadLanguageFileOrShowLanguageSelector();
