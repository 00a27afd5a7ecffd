#pragma once
// The application shell's tests run as a user with an empty home folder and with resources of their own:
// ShellSandbox points HOME, the working folder and the resources folder into a temporary folder and puts
// everything back when it goes.

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "common/language_tables.h"
#include "common/zr_files_platform.h"
#include "support/test_support.h"

namespace orvel_test {

// A language file: root languagestrings with the attributes, then the given entries (XML text).
inline std::string languageXml(const std::string& language, const std::string& locale, int targetVersion,
                               const std::string& entries = "") {
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<languagestrings language=\"" + language +
         "\" locale=\"" + locale + "\" targetversion=\"" + std::to_string(targetVersion) + "\">\n" + entries +
         "</languagestrings>\n";
}

// The texts the shell shows from the language tables, in English.
inline std::string englishEntries() {
  return "<string action=\"txt_yes\" value=\"Yes\"/>\n<string action=\"txt_no\" value=\"No\"/>\n"
         "<string action=\"txt_no_audio\" value=\"No audio device\"/>\n"
         "<string action=\"txt_preferences\" value=\"Preferences\"/>\n"
         "<string action=\"txt_soft\" value=\"Soft\"/>\n<string action=\"txt_normal\" value=\"Normal\"/>\n"
         "<string action=\"txt_hard\" value=\"Hard\"/>\n";
}

class ShellSandbox {
 public:
  // ownResources false: the application's shipped resources are used.
  explicit ShellSandbox(bool ownResources = true) {
    namespace fs = std::filesystem;
    fs::create_directories(home());
    fs::create_directories(resources() + "languages");
    fs::create_directories(work());
    oldCwd_ = fs::current_path().string();
    fs::current_path(work());
    keep("HOME", oldHome_, hadHome_);
    keep("XDG_CONFIG_HOME", oldConfig_, hadConfig_);
    setenv("HOME", home().c_str(), 1);
    unsetenv("XDG_CONFIG_HOME");
    if (!ownResources) return;
    SetResourcesDirOverride_Apple(resources().c_str());
    writeResource("languages/english.xml", languageXml("english", "en", 100, englishEntries()));
  }
  ~ShellSandbox() {
    SetResourcesDirOverride_Apple(nullptr);
    restore("HOME", oldHome_, hadHome_);
    restore("XDG_CONFIG_HOME", oldConfig_, hadConfig_);
    std::filesystem::current_path(oldCwd_);
    ClearLanguageTables();
  }
  ShellSandbox(const ShellSandbox&) = delete;
  ShellSandbox& operator=(const ShellSandbox&) = delete;

  std::string home() const { return dir_.file("home"); }
  std::string resources() const { return dir_.file("resources/"); }
  std::string work() const { return dir_.file("work"); }
  // The data folder, ending in "/".
  std::string data() const { return home() + "/Documents/Halden-Orvel/"; }
  std::string scratch(const std::string& name) const { return dir_.file(name); }

  // A file of the resources folder (folders made as needed).
  void writeResource(const std::string& relative, const std::string& bytes) const {
    const std::filesystem::path path(resources() + relative);
    std::filesystem::create_directories(path.parent_path());
    writeFile(path.string(), bytes);
  }

 private:
  static void keep(const char* name, std::string& value, bool& had) {
    const char* current = std::getenv(name);
    had = current != nullptr;
    if (had) value = current;
  }
  static void restore(const char* name, const std::string& value, bool had) {
    if (had) {
      setenv(name, value.c_str(), 1);
    } else {
      unsetenv(name);
    }
  }

  TempDir dir_;
  std::string oldCwd_;
  std::string oldHome_, oldConfig_;
  bool hadHome_ = false, hadConfig_ = false;
};

}  // namespace orvel_test
