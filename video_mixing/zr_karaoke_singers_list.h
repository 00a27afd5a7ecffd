#pragma once
// What the karaoke singers list shows on the video output: the "Next singer ..." block built from the
// rows of the side table's list: the items (texts, pictures, their places, sizes and colours) and putting
// them on a simple overlay layer. The shell decides when (main_dj/karaoke_singers_output.h).
//
// The items, positions and sizes as fractions of the output (x from the left, y from the bottom):
// - a background picture or video covering the frame: the file of "KSRBackgroundFile" while
//   "KSRBackgroundEnabled" is on (whether or not singers are listed; an unreadable file is skipped), else,
//   when singers are listed, the black picture (images/black160x90.png of the resources);
// - the header "Next singer ..." at (0.5, 0.81), 0.09 x 0.09, Arial 72, colour (0.6, 0.6, 1.0);
// - one line per singer: "N. singer: artist - title", the k-th at (0.5, 0.6 - k x 0.6 / max(S, 3)),
//   0.06 x 0.06, Arial 48, white; S = "KSRSingersNum" lines at most, from the first 10 rows that have a
//   library record and a singer name. The singer name is cut to 24 bytes plus "..." when 25 bytes or
//   longer, artist and title to 15 bytes plus "..." when 16 bytes or longer, always between UTF-8
//   characters (a cut never splits one, so the text stays valid).
// No singer lines (no list, no row with record and name among the first 10, S of 0 or less): no header.
//
// Threads: planning on any thread (the list takes its own lock); filling a layer on the thread that builds
// it (the main thread).

#include <string>
#include <vector>

#include "common/zr_string.h"
#include "common/zr_value_codecs.h"

class ZRList;
class ZROverlayGraphicsSimple;

struct ZRSingersListItem {
  bool picture = false;  // a picture or video file (path in text), else a text
  std::string text;      // UTF-8
  float posx = 0.5f, posy = 0.5f, width = 1, height = 1;
  int fontSize = 0;
  std::string font;
  float red = 1, green = 1, blue = 1;
};

struct ZRSingersListSettings {
  int singersNum = 0;  // "KSRSingersNum"
  bool backgroundEnabled = false;
  ZRString backgroundFile;
  ZRString blackPicture;  // the resources' black picture
};

// The items, in drawing order, for list (may be null).
std::vector<ZRSingersListItem> planKaraokeSingersList(ZRList* list, const ZRSingersListSettings& settings);
// Replaces the layer's pending items by items and commits them (an empty list clears what it showed).
void fillKaraokeSingersLayer(ZROverlayGraphicsSimple* layer, const std::vector<ZRSingersListItem>& items);
// text whole when it holds at most limit bytes, else its first limit bytes (fewer when that would split a
// character) followed by "...".
std::string cutForSingersList(const std::string& text, size_t limit);
