#pragma once
// favorites.xml in the Database folder: the folders the user bookmarked in the browser tree.
//
//   <favorites version="1">
//   <fav name="N" path="P" type="T" />          (one line per favourite, in slot order)
//   </favorites>
//
// after the XML header every system file starts with. Names and paths are kept whole (a path is never
// cut), XML-escaped; a missing name or path reads as empty and a missing type as -1; elements other than
// "fav" are skipped. Writing replaces the file whole or not at all.

#include <vector>

#include "common/zr_string.h"

struct TZRFavorite {
  ZRString name;
  ZRString path;
  int type = -1;
};

// False when the file is missing ("loadFavorites xml file not found") or cannot be read as favorites
// ("loadFavorites xml file not loaded"); otherwise true with every fav element in file order.
bool readFavoritesFile(const ZRString& path, std::vector<TZRFavorite>* out);
// Writes the favourites through the atomic writer; false (logged) when the file could not be replaced.
bool writeFavoritesFile(const ZRString& path, const std::vector<TZRFavorite>& favorites);
