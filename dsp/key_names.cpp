#include "dsp/key_names.h"

#include <strings.h>

#include <cstring>

const char* const pitchKeyNamesStandard[26] = {
    " ",  "A",       "A#/Bb", "B",     "C",       "C#/Db",   "D",       "D#/Eb", "E",
    "F",  "F#/Gb",   "G",     "G#/Ab", "Am",      "A#m/Bbm", "Bm",      "Cm",    "C#m/Dbm",
    "Dm", "D#m/Ebm", "Em",    "Fm",    "F#m/Gbm", "Gm",      "G#m/Abm", nullptr};

const char* const pitchKeyNamesStandardSharp[26] = {
    " ",  "A",   "A#", "B",  "C",   "C#", "D",   "D#", "E",  "F",   "F#", "G",   "G#",
    "Am", "A#m", "Bm", "Cm", "C#m", "Dm", "D#m", "Em", "Fm", "F#m", "Gm", "G#m", nullptr};

const char* const pitchKeyNamesStandardFlat[26] = {
    " ",  "A",   "Bb", "B",  "C",   "Db", "D",   "Eb", "E",  "F",   "Gb", "G",   "Ab",
    "Am", "Bbm", "Bm", "Cm", "Dbm", "Dm", "Ebm", "Em", "Fm", "Gbm", "Gm", "Abm", nullptr};

const char* const pitchKeyNamesCircleOfFifthsNonStandard[26] = {
    " ",  "11B", "6B",  "1B", "8B",  "3B", "10B", "5B", "12B", "7B",  "2B", "9B", "4B",
    "8A", "3A",  "10A", "5A", "12A", "7A", "2A",  "9A", "4A",  "11A", "6A", "1A", nullptr};

const char* const pitchKeyNamesSharp[26] = {
    " ",      "11/A",    "06/A#",  "01/B",   "08/C",    "03/C#",   "10/D",    "05/D#",  "12/E",
    "07/F",   "02/F#",   "09/G",   "04/G#",  "08m/Am",  "03m/A#m", "10m/Bm",  "05m/Cm", "12m/C#m",
    "07m/Dm", "02m/D#m", "09m/Em", "04m/Fm", "11m/F#m", "06m/Gm",  "01m/G#m", nullptr};

const char* const pitchKeyNamesFlat[26] = {
    " ",      "11/A",    "06/Bb",  "01/B",   "08/C",    "03/Db",   "10/D",    "05/Eb",  "12/E",
    "07/F",   "02/Gb",   "09/G",   "04/Ab",  "08m/Am",  "03m/Bbm", "10m/Bm",  "05m/Cm", "12m/Dbm",
    "07m/Dm", "02m/Ebm", "09m/Em", "04m/Fm", "11m/Gbm", "06m/Gm",  "01m/Abm", nullptr};

int getPitchKeyIndex(const char* text) {
  if (text == nullptr || text[0] == 0) return 0;
  static const char* const* const kTables[] = {
      pitchKeyNamesStandard,      pitchKeyNamesStandardFlat,
      pitchKeyNamesStandardSharp, pitchKeyNamesCircleOfFifthsNonStandard,
      pitchKeyNamesFlat,          pitchKeyNamesSharp};
  for (int i = 1; i <= 24; ++i) {
    for (const char* const* table : kTables) {
      if (strcasecmp(text, table[i]) == 0) return i;
    }
  }
  return 0;
}

bool getPitchKeyNameForUI(int index, char* out, bool flat, bool standard) {
  const bool valid = index >= 1 && index <= 24;
  if (!valid) index = 0;
  const char* const* table;
  if (standard) {
    table = flat ? pitchKeyNamesStandardFlat : pitchKeyNamesStandardSharp;
  } else {
    table = flat ? pitchKeyNamesFlat : pitchKeyNamesSharp;
  }
  if (out != nullptr) strcpy(out, table[index]);
  return valid;
}
