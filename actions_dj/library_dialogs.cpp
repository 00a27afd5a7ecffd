#include "actions_dj/library_dialogs.h"

#include <mutex>
#include <set>
#include <string>
#include <utility>

#include "common/zr_logging.h"

const char* const kTagEditorKeys[kTagEditorKeyCount] = {
    "--",     "11/A",    "06/Bb",  "01/B",   "08/C",    "03/Db",   "10/D",   "05/Eb",  "12/E",
    "07/F",   "02/Gb",   "09/G",   "04/Ab",  "08m/Am",  "03m/Bbm", "10m/Bm", "05m/Cm", "12m/Dbm",
    "07m/Dm", "02m/Ebm", "09m/Em", "04m/Fm", "11m/Gbm", "06m/Gm",  "01m/Abm"};

namespace {

std::mutex lock;
ZRLibraryDialogs installed;
std::set<std::string> said;

ZRLibraryDialogs current() {
  std::lock_guard<std::mutex> guard(lock);
  return installed;
}

void sayMissing(const char* kind) {
  std::lock_guard<std::mutex> guard(lock);
  if (said.insert(kind).second) ZRLOG("no %s dialog installed: the choice is cancelled", kind);
}

}  // namespace

void installLibraryDialogs(ZRLibraryDialogs dialogs) {
  std::lock_guard<std::mutex> guard(lock);
  installed = std::move(dialogs);
}

bool chooseFilesToOpen(const ZRString& title, const ZRString& wildcard, bool multiple,
                       std::vector<ZRString>& paths) {
  paths.clear();
  const ZRLibraryDialogs d = current();
  if (!d.chooseFilesToOpen) {
    sayMissing("open file");
    return false;
  }
  return d.chooseFilesToOpen(title, wildcard, multiple, paths) && !paths.empty();
}

bool chooseFileToSave(const ZRString& title, const ZRString& wildcard, ZRString& path) {
  const ZRLibraryDialogs d = current();
  if (!d.chooseFileToSave) {
    sayMissing("save file");
    return false;
  }
  return d.chooseFileToSave(title, wildcard, path) && !path.empty();
}

bool chooseFolder(const ZRString& title, ZRString& path) {
  const ZRLibraryDialogs d = current();
  if (!d.chooseFolder) {
    sayMissing("folder");
    return false;
  }
  return d.chooseFolder(title, path) && !path.empty();
}

bool chooseDay(int& year, int& month, int& day) {
  const ZRLibraryDialogs d = current();
  if (!d.chooseDay) {
    sayMissing("date");
    return false;
  }
  return d.chooseDay(year, month, day);
}

bool editTagFields(ZRTagEditFields& fields) {
  const ZRLibraryDialogs d = current();
  if (!d.editTags) {
    sayMissing("tag editor");
    return false;
  }
  return d.editTags(fields);
}

ZRAddChoice chooseAddKind(const ZRString& message) {
  const ZRLibraryDialogs d = current();
  if (!d.chooseAddKind) {
    sayMissing("add");
    return kAddNothing;
  }
  return d.chooseAddKind(message);
}

bool chooseOne(const ZRString& title, const std::vector<ZRString>& choices, int& selection) {
  const ZRLibraryDialogs d = current();
  if (!d.chooseOne) {
    sayMissing("choice");
    return false;
  }
  return d.chooseOne(title, choices, selection) && selection >= 0 &&
         selection < static_cast<int>(choices.size());
}
