#pragma once
// Fills the language chooser from a folder of language files.

#include <wx/choice.h>

#include "common/language_tables.h"

// Rebuilds the found-languages list from folder and, when choice is given, empties it, adds one
// entry per usable file ("de (deutsch)") and selects the English file (the first entry when there
// is none).
void ScanForLanguages(ZRString folder, wxChoice* choice);
