#pragma once
// The columns of the track table and their files, columns_currentlist.xml (the main table) and
// columns_sidelist.xml (the side table) in the Database folder:
//
//   <columns version="1" sortBlocked="0" resizeBlocked="0">
//   <column name="N" visible="1" allowhide="0" width="60" minwidth="60" maxwidth="300" align="3"
//           actualColumn="numb" />                                    (one line per column, in order)
//   </columns>
//
// after the XML header every system file starts with. Reading is lenient per element (bad numbers take
// defaults, unknown column ids skip the element) and bounded: a width never exceeds its column's maximum
// (at most 1000 points) and each tag field is taken once, so a file cannot make the table's drawing
// contexts arbitrarily large. Writing replaces the file whole or not at all.
//
// No state, no lock: the track table calls these under its columns lock.

#include <vector>

#include "common/zr_string.h"

struct TZRColumn {
  ZRString name;     // header text
  int tagField = 0;  // TagFieldTypes: which track text the column shows (0 the row number .. 11 the path)
  bool visible = true;
  bool allowHide = true;  // may be switched off in the header menu
  int width = 100;        // points
  int minWidth = 30;
  int maxWidth = 300;
  int align = 7;  // textAlign of header and cells
};

struct TZRColumnsFile {
  bool sortBlocked = false;
  bool resizeBlocked = false;
  std::vector<TZRColumn> columns;  // the accepted column elements in file order (may be empty)
};

// The twelve default columns (row number, artist, title, BPM, time, genre, key, comment, album, track,
// year, file name), named from the current language.
std::vector<TZRColumn> defaultPlaylistColumns();
// The header text of a tag field: the language's txt_tag_no + field.
ZRString columnNameForTagField(int tagField);

// Reads a columns file. False (logged) when it cannot be read or its root is not "columns"; otherwise true,
// also when no column element was accepted.
bool readColumnsFile(const ZRString& path, TZRColumnsFile* out);
// Writes the file through the atomic writer; false and "error saving columns to '%s'" when it fails.
bool writeColumnsFile(const ZRString& path, const std::vector<TZRColumn>& columns, bool sortBlocked,
                      bool resizeBlocked);
