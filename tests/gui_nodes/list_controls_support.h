#pragma once
// What the list controls' tests share: the English texts, tracks in the process's library, modal boxes
// answered by the test, a menu host that records popups, and skins with the list controls.

#include <wx/app.h>
#include <wx/dialog.h>
#include <wx/frame.h>
#include <wx/msgdlg.h>
#include <wx/textdlg.h>

#include <deque>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "common/language_tables.h"
#include "database/zr_database.h"
#include "database/zr_list.h"
#include "gui/wx_test_app.h"
#include "gui/zr_menu.h"
#include "gui/zr_message_dialogs.h"
#include "support/test_support.h"

namespace orvel_test {

inline void loadEnglish() {
  static const bool loaded = LoadLanguage(ZRString(sourceFile("resources/languages/english.xml")));
  (void)loaded;
}

// A stored track (no file behind it); its id.
inline int32_t addTrack(const std::string& artist, const std::string& title, const std::string& path,
                        const std::string& bpm = "", int mediaType = 0) {
  TZRDatabaseTrack t;
  ZRDatabase::resetTrack(&t, true);
  t.tags[kTagArtist] = ZRString(artist);
  t.tags[kTagTitle] = ZRString(title);
  t.tags[kTagBpm] = ZRString(bpm);
  t.tags[kTagFileName] = ZRString(path);
  t.mediaType = mediaType;
  return ZRDatabase::getInstance()->addOrUpdate(&t);
}

// A list of n stored tracks ("Artist i" / "Title i"), not registered unless asked.
inline void fillList(ZRList& list, int n, const std::string& tag) {
  std::vector<TZRListTrack> rows;
  for (int i = 0; i < n; ++i) {
    TZRListTrack row;
    row.trackId = addTrack("Artist " + std::to_string(i), "Title " + std::to_string(i),
                           "/music/" + tag + "/" + std::to_string(i) + ".mp3", std::to_string(100 + i % 50));
    rows.push_back(row);
  }
  list.addLines(std::move(rows), true);
}

// Modal boxes answered from a queue (Yes/OK when it is empty), with what each asked.
struct ModalAnswers {
  std::deque<int> buttons;
  std::deque<std::string> typed;  // for text entries
  std::vector<std::string> messages;
  int shown = 0;
};

inline ModalAnswers& modalAnswers() {
  static ModalAnswers answers;
  return answers;
}

inline int answeringRunner(wxDialog& dialog) {
  ModalAnswers& a = modalAnswers();
  ++a.shown;
  if (auto* box = dynamic_cast<wxMessageDialogBase*>(&dialog))
    a.messages.emplace_back(box->GetMessage().utf8_str().data());
  if (auto* entry = dynamic_cast<wxTextEntryDialog*>(&dialog)) {
    a.messages.emplace_back(entry->GetTitle().utf8_str().data());
    if (!a.typed.empty()) {
      entry->SetValue(wxString::FromUTF8(a.typed.front()));
      a.typed.pop_front();
    }
  }
  int button = wxID_YES;
  if (!a.buttons.empty()) {
    button = a.buttons.front();
    a.buttons.pop_front();
  }
  if (button == wxID_YES && dynamic_cast<wxTextEntryDialog*>(&dialog) != nullptr) button = wxID_OK;
  return button;
}

// The popups of the menus, and the ids they took.
class RecordingMenuHost : public ZRMenuHost {
 public:
  int allocateMenuItem(ZRMenu*, int) override {
    int id = 7000;
    while (inUse.count(id) != 0) ++id;
    inUse.insert(id);
    return id;
  }
  void releaseMenuItem(int id) override { inUse.erase(id); }
  void popupMenu(wxMenu*, float x, float y) override { popups.emplace_back(x, y); }

  std::set<int> inUse;
  std::vector<std::pair<float, float>> popups;
};

// The toolkit, a shown frame as the boxes' parent, the answering runner and the menu host, for one test.
class ToolkitForLists {
 public:
  bool start() {
    if (!ensureWxApp()) return false;
    frame_ = new wxFrame(nullptr, wxID_ANY, "main", wxDefaultPosition, wxSize(200, 150));
    frame_->Show();
    wxTheApp->SetTopWindow(frame_);
    modalAnswers() = ModalAnswers();
    setModalRunner(&answeringRunner);
    setMenuHost(&host);
    return true;
  }
  ~ToolkitForLists() {
    setModalRunner(nullptr);
    setMenuHost(nullptr);
    if (frame_ != nullptr) frame_->Destroy();
  }
  RecordingMenuHost host;
  wxFrame* window() const { return frame_; }

 private:
  wxFrame* frame_ = nullptr;
};

}  // namespace orvel_test
