#include "main_dj/shell_folders.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "common/shell_hooks.h"
#include "common/zr_files.h"
#include "common/zr_files_platform.h"
#include "common/zr_logging.h"
#include "main_dj/shell_state.h"
#include "main_dj/startup_problems.h"

ZRString theAppDir;
ZRString UsrHomeDir;
ZRString UsrDocumentsDir;
ZRString theAppDataDir;
ZRString theDatabaseDir;
ZRString theSettingsDir;
ZRString theControllersDir;
ZRString theSkinsDir;
ZRString theSamplesDir;
ZRString theShadersDir;
ZRString theStripesDir;
ZRString theOverlaysDir;
ZRString theDemoSongsDir;
ZRString theRecordingsDir;

namespace {

ZRString withSlash(ZRString path) {
  if (!path.empty()) path.appendSeparatorIfNeeded();
  return path;
}

ZRString withoutSlash(const ZRString& path) {
  std::string p = path.utf8();
  while (p.size() > 1 && p.back() == '/') p.pop_back();
  return ZRString(p.c_str());
}

ZRString currentFolder() {
  char buffer[4096];
  if (getcwd(buffer, sizeof(buffer)) == nullptr) return ZRString();
  return ZRString(buffer);
}

ZRString folderOf(const char* path) {
  if (path == nullptr) return ZRString();
  const std::string p(path);
  const size_t slash = p.rfind('/');
  if (slash == std::string::npos) return currentFolder();
  return ZRString(p.substr(0, slash == 0 ? 1 : slash).c_str());
}

bool hasLanguagesFolder(const ZRString& folder) {
  return !folder.empty() && DirExists(ZRString((withSlash(folder).utf8() + "languages").c_str()));
}

ZRString appendSub(ZRString base, const ZRString& sub) {
  if (base.empty()) return base;
  std::string s = sub.utf8();
  while (!s.empty() && s.front() == '/') s.erase(s.begin());
  if (!s.empty() && s.back() != '/') s += '/';
  if (s.size() > 1) return ZRString((base.utf8() + s).c_str());
  return base;
}

// Makes folder and its parents; logs a failure and names it in problem (the first one only).
bool makeFolder(const ZRString& folder, std::string& problem) {
  if (DirExists(folder)) return true;
  int error = 0;
  if (DirCreatePath(folder, &error)) return true;
  ZRLOG("error: the folder '%s' can not be created (%s)", folder.utf8().c_str(), std::strerror(error));
  if (problem.empty()) problem = folder.utf8() + " (" + std::strerror(error) + ")";
  return false;
}

struct ContentFolder {
  ZRString* userFolder;
  const char* resourceFolder;
  const char* logLine;
};

// The placeholder that keeps an empty folder in the source repository: not content for the user.
bool isRepositoryPlaceholder(const char* name) {
  return std::strcmp(name, ".gitkeep") == 0;
}

}  // namespace

bool InitializeApplicationFolders(const char* executablePath) {
  // 1. The application folder: the working folder, unless another candidate has the language files;
  //    the working folder wins when it has them too.
  const ZRString working = withoutSlash(currentFolder());
  theAppDir = working;
  const ZRString resources = withoutSlash(getResourcesDir(ZRString()));
  if (hasLanguagesFolder(resources)) theAppDir = resources;
  const ZRString executableFolder = withoutSlash(folderOf(executablePath));
  if (hasLanguagesFolder(executableFolder)) theAppDir = executableFolder;
  if (hasLanguagesFolder(working)) theAppDir = working;

  // 2. Home and Documents.
  UsrHomeDir = withSlash(getHomeFolder_Apple());
  UsrDocumentsDir = withSlash(getDocumentsFolder_Apple());

  // 3. The data folder and its subfolders. Without a Documents folder (no home) there is no place for it.
  theAppDataDir = UsrDocumentsDir.empty()
                      ? ZRString()
                      : withSlash(ZRString((UsrDocumentsDir.utf8() + kAppDataFolderName).c_str()));
  const std::string data = theAppDataDir.utf8();
  auto sub = [&](const char* name) {
    return data.empty() ? ZRString() : ZRString((data + name + "/").c_str());
  };
  theDatabaseDir = sub("Database");
  theSettingsDir = sub("Settings");
  theControllersDir = sub("Controllers");
  theSkinsDir = sub("Skins");
  theSamplesDir = sub("Samples");
  theShadersDir = sub("Shaders");
  theStripesDir = sub("Stripes");
  theOverlaysDir = sub("Overlays");
  theDemoSongsDir = sub("DemoSongs");
  theRecordingsDir = sub("Recordings");
  SetSamplesDir(theSamplesDir);

  // 4. and 5. Every missing folder with its parents. One message names the first folder that failed:
  //    every save into the data folder would fail without it.
  std::string problem;
  bool made = true;
  if (data.empty()) {
    ZRLOG("error: no home folder: the application data folder has no place");
    problem = std::string(kAppDataFolderName) + " (no home folder)";
    made = false;
  } else {
    isFirstRun.store(!DirExists(theAppDataDir));
    made = makeFolder(theAppDataDir, problem);
    for (const ZRString* folder :
         {&theDatabaseDir, &theSettingsDir, &theControllersDir, &theSkinsDir, &theOverlaysDir, &theStripesDir,
          &theShadersDir, &theSamplesDir, &theRecordingsDir, &theDemoSongsDir}) {
      if (made) made = makeFolder(*folder, problem) && made;
    }
  }
  if (!made) {
    tellUserAboutProblem(
        ZRString(
            ("Cannot create the application data folder. Please make sure you have write permissions.\n" +
             problem)
                .c_str()),
        ZRString(), nullptr);
    return false;
  }

  // 6. Default content, at every start: a folder without files is filled again.
  const ContentFolder content[] = {
      {&theSamplesDir, "samples", "copying samples"},
      {&theDemoSongsDir, "demo_songs", "copying demo_songs"},
      {&theOverlaysDir, "overlays", "copying overlays"},
      {&theShadersDir, "shaders/glsl", "copying shaders"},
  };
  for (const ContentFolder& folder : content) {
    if (findDirHasFiles(*folder.userFolder)) continue;
    ZRLOG("%s", folder.logLine);
    CopyDir(getResourcesDir(ZRString(folder.resourceFolder)), *folder.userFolder, true,
            &isRepositoryPlaceholder);
  }
  return true;
}

ZRString GetAppDir() {
  return theAppDir;
}
ZRString GetUserHomeDir() {
  return UsrHomeDir;
}
ZRString GetDatabaseDir() {
  return theDatabaseDir;
}
ZRString GetControllersDir() {
  return theControllersDir;
}
ZRString GetShadersDir() {
  return theShadersDir;
}
ZRString GetOverlaysDir() {
  return theOverlaysDir;
}

ZRString getResourcesDir(const ZRString& sub) {
  char folder[4096];
  if (!GetResourcesDir_Apple(folder, sizeof(folder))) return ZRString();
  return appendSub(ZRString(folder), sub);
}

ZRString getExecutableDir(const ZRString& sub) {
  char folder[4096];
  if (!GetExecutableDir_Apple(folder, sizeof(folder))) return ZRString();
  return appendSub(ZRString(folder), sub);
}
