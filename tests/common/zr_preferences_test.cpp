#include "common/zr_preferences.h"

#include <dirent.h>
#include <gtest/gtest.h>
#include <libxml/parser.h>
#include <sys/stat.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "support/test_support.h"
#include "thread_log_xml_fixture.h"

using orvel_test::readFile;
using orvel_test::TempDir;
using orvel_test::writeFile;

namespace {

const std::string kHeader = "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\" ?>\n";

struct Call {
  std::string key;
  ZRPreferenceType type;
  int intValue;
  float floatValue;
  std::string text;
  ZRPreferences::NotificationSource source;
};

class ZRPreferencesTest : public orvel_test::ThreadLogXmlTest {
 protected:
  ZRPreferences::ChangeCallback recorder() {
    return [this](void* store, const char* key, ZRPreferenceType type, int i, float f, const char* text,
                  ZRPreferences::NotificationSource source) {
      EXPECT_NE(store, nullptr);
      calls.push_back({key, type, i, f, text, source});
    };
  }

  std::string path() const { return dir.file("preferences.xml"); }
  std::vector<std::string> folderEntries() const {
    std::vector<std::string> names;
    DIR* d = opendir(dir.path().c_str());
    while (struct dirent* e = readdir(d)) {
      if (e->d_name[0] != '.' || (std::string(e->d_name) != "." && std::string(e->d_name) != "..")) {
        names.push_back(e->d_name);
      }
    }
    closedir(d);
    return names;
  }

  TempDir dir;
  std::vector<Call> calls;
};

}  // namespace

TEST_F(ZRPreferencesTest, SavesTheGoldenFileByteForByte) {
  ZRPreferences prefs(path().c_str(), nullptr);
  prefs.setValue("Limiter", 0, 0, ZRPreferences::NotificationProgram);
  prefs.setValue("AudioDevice", "Built-in Output", 0, ZRPreferences::NotificationProgram);
  prefs.setValue("Gain", 0.5f, 0, ZRPreferences::NotificationProgram);
  prefs.setValue("Trim", -3.0f, 0, ZRPreferences::NotificationProgram);
  prefs.setValue("Tiny", 0.00004f, 0, ZRPreferences::NotificationProgram);
  prefs.setValue("Name", "say \"hi\" & <go>\t'now'", 0, ZRPreferences::NotificationProgram);
  prefs.setValue("low", -7, 0, ZRPreferences::NotificationProgram);
  ASSERT_TRUE(prefs.saveAll(nullptr));
  const std::string expected =
      kHeader +
      "<preferences version=\"100\">\n"
      "\t<pref name=\"AudioDevice\" value=\"Built-in Output\" type=\"3\" />\n"
      "\t<pref name=\"Gain\" value=\"0.5000\" type=\"2\" />\n"
      "\t<pref name=\"Limiter\" value=\"0\" type=\"1\" />\n"
      "\t<pref name=\"Name\" value=\"say &quot;hi&quot; &amp; &lt;go&gt;&#x09;&#39;now&#39;\" "
      "type=\"3\" />\n"
      "\t<pref name=\"Tiny\" value=\"0.0000\" type=\"2\" />\n"
      "\t<pref name=\"Trim\" value=\"-3.0000\" type=\"2\" />\n"
      "\t<pref name=\"low\" value=\"-7\" type=\"1\" />\n"
      "</preferences>\n";
  EXPECT_EQ(readFile(path()), expected);

  // Read back unchanged, and written again after a load.
  ZRPreferences again(path().c_str(), nullptr);
  ASSERT_TRUE(again.loadAll(nullptr));
  char text[128];
  ASSERT_TRUE(again.getValue("Name", text));
  EXPECT_STREQ(text, "say \"hi\" & <go>\t'now'");
  float gain = 0;
  ASSERT_TRUE(again.getValue("Gain", gain));
  EXPECT_FLOAT_EQ(gain, 0.5f);
  ASSERT_TRUE(writeFile(path(), "stale"));
  ASSERT_TRUE(again.saveAll(nullptr));
  EXPECT_EQ(readFile(path()), expected);
  // Nothing set since: nothing written.
  ASSERT_TRUE(writeFile(path(), "untouched"));
  EXPECT_TRUE(again.saveAll(nullptr));
  EXPECT_EQ(readFile(path()), "untouched");
}

TEST_F(ZRPreferencesTest, SetValueCallsBackAndOnlyIfMissingFillsGaps) {
  ZRPreferences prefs(path().c_str(), recorder());
  prefs.setValue("PitchRange", 6, 0, ZRPreferences::NotificationProgram);
  prefs.setValue("PitchRange", 3, 1, ZRPreferences::NotificationProgram);
  int value = 0;
  EXPECT_TRUE(prefs.getValue("PitchRange", value));
  EXPECT_EQ(value, 6);
  ASSERT_EQ(calls.size(), 1u);
  prefs.setValue("PitchRange", 3, 0, ZRPreferences::NotificationSkin);
  prefs.setValue("PitchRange", 3, 0, ZRPreferences::NotificationDialog);
  ASSERT_EQ(calls.size(), 3u);
  EXPECT_EQ(calls[1].source, ZRPreferences::NotificationSkin);
  EXPECT_EQ(calls[2].source, ZRPreferences::NotificationDialog);
  EXPECT_EQ(calls[2].intValue, 3);
  EXPECT_EQ(calls[2].type, ZRPreferenceTypeInt);
  EXPECT_EQ(calls[2].text, "");

  // A default for a key of another type still counts as present.
  prefs.setValue("PitchRange", 1.5f, 1, ZRPreferences::NotificationProgram);
  EXPECT_EQ(prefs.getValueType("PitchRange"), ZRPreferenceTypeInt);
  prefs.setValue("Fresh", "x", 1, ZRPreferences::NotificationProgram);
  ASSERT_EQ(calls.size(), 4u);
  EXPECT_EQ(calls[3].key, "Fresh");
  EXPECT_EQ(calls[3].text, "x");

  // Setting another type clears the other fields.
  prefs.setValue("PitchRange", 2.5f, 0, ZRPreferences::NotificationProgram);
  float f = 0;
  EXPECT_FALSE(prefs.getValue("PitchRange", value));
  EXPECT_EQ(value, 0);
  EXPECT_TRUE(prefs.getValue("PitchRange", f));
  EXPECT_FLOAT_EQ(f, 2.5f);
  EXPECT_EQ(calls.back().intValue, 0);
  EXPECT_EQ(prefs.getValueType("Missing"), ZRPreferenceTypeNone);
  char text[128] = "junk";
  EXPECT_FALSE(prefs.getValue("PitchRange", text));
  EXPECT_STREQ(text, "");
  ZRString z("keep");
  EXPECT_FALSE(prefs.getValue("PitchRange", &z));
  EXPECT_EQ(z.utf8(), "keep");
  EXPECT_TRUE(prefs.getValue("Fresh", &z));
  EXPECT_EQ(z.utf8(), "x");

  prefs.setValue("Null", static_cast<const char*>(nullptr), 0, ZRPreferences::NotificationProgram);
  EXPECT_TRUE(prefs.getValue("Null", text));
  EXPECT_STREQ(text, "");
  prefs.setValue("Wide",
                 ZRString("Gr\xC3\xBC\xC3\x9F"
                          "e"),
                 0, ZRPreferences::NotificationProgram);
  EXPECT_TRUE(prefs.getValue("Wide", text));
  EXPECT_STREQ(text,
               "Gr\xC3\xBC\xC3\x9F"
               "e");
}

TEST_F(ZRPreferencesTest, LongTextsAreCutWithoutSplittingACharacter) {
  ZRPreferences prefs(path().c_str(), recorder());
  prefs.setValue("Long", std::string(200, 'x').c_str(), 0, ZRPreferences::NotificationProgram);
  char text[128];
  ASSERT_TRUE(prefs.getValue("Long", text));
  EXPECT_EQ(std::string(text), std::string(127, 'x'));
  EXPECT_EQ(calls.back().text, std::string(127, 'x'));

  // Byte 127 falls inside "é" (bytes 126 and 127): the whole letter goes.
  const std::string accented = std::string(126, 'a') + "\xC3\xA9" + "bc";
  prefs.setValue("Accent", accented.c_str(), 0, ZRPreferences::NotificationProgram);
  ASSERT_TRUE(prefs.getValue("Accent", text));
  EXPECT_EQ(std::string(text), std::string(126, 'a'));
  const std::string euro = std::string(125, 'a') + "\xE2\x82\xAC";  // 128 bytes
  prefs.setValue("Euro", euro.c_str(), 0, ZRPreferences::NotificationProgram);
  ASSERT_TRUE(prefs.getValue("Euro", text));
  EXPECT_EQ(std::string(text), std::string(125, 'a'));
  // The cut text is still valid UTF-8 and so survives a save and a load.
  ASSERT_TRUE(prefs.saveAll(nullptr));
  ZRPreferences again(path().c_str(), nullptr);
  ASSERT_TRUE(again.loadAll(nullptr));
  ZRString back;
  ASSERT_TRUE(again.getValue("Accent", &back));
  EXPECT_EQ(back.utf8(), std::string(126, 'a'));
}

TEST_F(ZRPreferencesTest, LoadIsSilentThenAnnouncesEveryKeyInOrder) {
  ASSERT_TRUE(writeFile(path(), kHeader + "<preferences version=\"100\">\n"
                                          "\t<pref name=\"Zeta\" value=\"0.2500\" type=\"2\" />\n"
                                          "\t<pref name=\"Alpha\" value=\"5\" type=\"1\" />\n"
                                          "\t<pref name=\"Alpha\" value=\"6\" type=\"1\" />\n"
                                          "\t<other name=\"Skip\" value=\"1\" type=\"1\" />\n"
                                          "\t<pref name=\"Seven\" value=\"1\" type=\"7\" />\n"
                                          "\t<pref value=\"1\" type=\"1\" />\n"
                                          "\t<pref name=\"\" value=\"1\" type=\"1\" />\n"
                                          "\t<pref name=\"NoValue\" type=\"1\" />\n"
                                          "\t<pref name=\"NoText\" type=\"3\" />\n"
                                          "\t<pref name=\"NoFloat\" type=\"2\" />\n"
                                          "\t<pref name=\"Mid\" value=\"a &amp; b\" type=\"3\" />\n"
                                          "</preferences>\n"));
  ZRPreferences prefs(path().c_str(), recorder());
  prefs.setValue("Old", 1, 0, ZRPreferences::NotificationProgram);
  calls.clear();
  ASSERT_TRUE(prefs.loadAll(nullptr));

  std::vector<std::string> keys;
  for (const Call& c : calls) {
    keys.push_back(c.key);
    EXPECT_EQ(c.source, ZRPreferences::NotificationLoaded) << c.key;
  }
  EXPECT_EQ(keys, (std::vector<std::string>{"Alpha", "Mid", "NoFloat", "NoValue", "Zeta"}));
  EXPECT_EQ(calls[0].intValue, 6);
  EXPECT_EQ(calls[1].text, "a & b");
  EXPECT_FLOAT_EQ(calls[2].floatValue, 0.0f);
  EXPECT_EQ(calls[3].intValue, -1);
  EXPECT_FLOAT_EQ(calls[4].floatValue, 0.25f);
  EXPECT_EQ(prefs.getValueType("Old"), ZRPreferenceTypeNone);
  EXPECT_EQ(prefs.getValueType("Seven"), ZRPreferenceTypeNone);
  EXPECT_EQ(prefs.getValueType("NoText"), ZRPreferenceTypeNone);

  // Defaults after the load fill only the missing keys, each announced once.
  calls.clear();
  prefs.setValue("Alpha", 1, 1, ZRPreferences::NotificationProgram);
  prefs.setValue("Zeta", 1.0f, 1, ZRPreferences::NotificationProgram);
  prefs.setValue("Beta", 9, 1, ZRPreferences::NotificationProgram);
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0].key, "Beta");
  EXPECT_EQ(calls[0].source, ZRPreferences::NotificationProgram);
  int alpha = 0;
  EXPECT_TRUE(prefs.getValue("Alpha", alpha));
  EXPECT_EQ(alpha, 6);
}

TEST_F(ZRPreferencesTest, CallbackMaySetValuesWhileBeingTold) {
  ASSERT_TRUE(writeFile(path(),
                        "<preferences version=\"100\"><pref name=\"A\" value=\"1\" type=\"1\" />"
                        "<pref name=\"B\" value=\"2\" type=\"1\" /></preferences>"));
  std::vector<std::string> told;
  ZRPreferences* self = nullptr;
  ZRPreferences prefs(path().c_str(), [&](void*, const char* key, ZRPreferenceType, int, float, const char*,
                                          ZRPreferences::NotificationSource source) {
    told.push_back(std::string(key) + ":" + std::to_string(source));
    if (source == ZRPreferences::NotificationLoaded && std::string(key) == "A") {
      self->setValue("AA", 5, 0, ZRPreferences::NotificationProgram);
    }
  });
  self = &prefs;
  ASSERT_TRUE(prefs.loadAll(nullptr));
  EXPECT_EQ(told, (std::vector<std::string>{"A:0", "AA:1", "B:0"}));
}

TEST_F(ZRPreferencesTest, BrokenFileLoadsNothingAndIsKept) {
  const std::string broken = kHeader + "<preferences version=\"100\">\n\t<pref name=\"A\" value=\"1\" ty";
  const std::string cases[] = {broken, "", "<skin/>", std::string("\xFF\xFE<\x00p", 5)};
  for (const std::string& content : cases) {
    ASSERT_TRUE(writeFile(path(), content));
    ZRPreferences prefs(path().c_str(), recorder());
    prefs.setValue("Kept", 4, 0, ZRPreferences::NotificationProgram);
    ASSERT_TRUE(prefs.saveAll(dir.file("other.xml").c_str()));
    calls.clear();
    EXPECT_FALSE(prefs.loadAll(nullptr));
    EXPECT_TRUE(calls.empty());
    int kept = 0;
    EXPECT_TRUE(prefs.getValue("Kept", kept));
    // Not dirty after the save above: nothing overwrites the broken file.
    EXPECT_TRUE(prefs.saveAll(nullptr));
    EXPECT_EQ(readFile(path()), content);
  }
  // One line of ours per file; the parser's own messages (named by the file) come besides, bounded.
  int ours = 0, parser = 0;
  for (const std::string& line : logged()) {
    (line.find("error: XML '" + path() + "'") != std::string::npos ? parser : ours) += 1;
  }
  EXPECT_EQ(ours, 4);
  EXPECT_LE(parser, 4 * 6);

  ZRPreferences none(dir.file("missing.xml").c_str(), nullptr);
  EXPECT_FALSE(none.loadAll(nullptr));
  ZRPreferences noPath(nullptr, nullptr);
  EXPECT_FALSE(noPath.loadAll(nullptr));
  noPath.setValue("A", 1, 0, ZRPreferences::NotificationProgram);
  EXPECT_FALSE(noPath.saveAll(nullptr));
}

TEST_F(ZRPreferencesTest, FailedSaveKeepsTheOldFileAndStaysDirty) {
  // A folder that does not exist.
  ZRPreferences prefs(dir.file("missing/preferences.xml").c_str(), nullptr);
  prefs.setValue("A", 1, 0, ZRPreferences::NotificationProgram);
  EXPECT_FALSE(prefs.saveAll(nullptr));
  EXPECT_TRUE(prefs.saveAll(path().c_str()));  // still dirty: written now

  // A write that fails half-way (the disk fills up): the file size limit
  // stops writes beyond 200 bytes, for root as well.
  const std::string old = readFile(path());
  ZRPreferences big(path().c_str(), nullptr);
  for (int i = 0; i < 40; ++i) {
    big.setValue(("Key" + std::to_string(i)).c_str(), std::string(100, 'v').c_str(), 0,
                 ZRPreferences::NotificationProgram);
  }
  bool saved_ok = false;
  {
    orvel_test::FileSizeLimit limit(200);
    ASSERT_TRUE(limit.ok());
    saved_ok = big.saveAll(nullptr);
  }
  EXPECT_FALSE(saved_ok);
  EXPECT_EQ(readFile(path()), old);
  EXPECT_EQ(folderEntries(), std::vector<std::string>{"preferences.xml"});
  EXPECT_FALSE(logged().empty());
  // Still dirty: the next save with room writes everything.
  ASSERT_TRUE(big.saveAll(nullptr));
  ZRPreferences check(path().c_str(), nullptr);
  ASSERT_TRUE(check.loadAll(nullptr));
  EXPECT_EQ(check.getValueType("Key39"), ZRPreferenceTypeString);

  // An unwritable folder (root may write anywhere, so only checked otherwise).
  if (geteuid() != 0) {
    const std::string locked = dir.file("locked");
    ASSERT_EQ(mkdir(locked.c_str(), 0755), 0);
    ASSERT_TRUE(writeFile(locked + "/preferences.xml", "old"));
    chmod(locked.c_str(), 0555);
    EXPECT_FALSE(big.saveAll((locked + "/preferences.xml").c_str()));
    chmod(locked.c_str(), 0755);
    EXPECT_EQ(readFile(locked + "/preferences.xml"), "old");
  }
}

TEST_F(ZRPreferencesTest, KeysWithMarkupSurviveASave) {
  ASSERT_TRUE(writeFile(path(),
                        "<preferences><pref name=\"a&quot;b&amp;c\" value=\"1\" type=\"1\" />"
                        "<pref name=\"" +
                            std::string(200, 'k') +
                            "\" value=\"2\" type=\"1\" />"
                            "</preferences>"));
  ZRPreferences prefs(path().c_str(), nullptr);
  ASSERT_TRUE(prefs.loadAll(nullptr));
  ASSERT_TRUE(prefs.saveAll(nullptr));
  ZRPreferences again(path().c_str(), nullptr);
  ASSERT_TRUE(again.loadAll(nullptr));
  int v = 0;
  EXPECT_TRUE(again.getValue("a\"b&c", v));
  EXPECT_EQ(v, 1);
  EXPECT_TRUE(again.getValue(std::string(127, 'k').c_str(), v));
  EXPECT_EQ(v, 2);
}

// The render thread sets values (skin controls moved by MIDI, controller scripts) while the main thread
// reads, sets and saves them. Each reader sees whole values, the callback runs on the setting thread, and a
// save made in the middle of the changes leaves the store dirty so the last values reach the file.
TEST(ZRPreferencesThreads, SettingFromTwoThreadsWhileReadingAndSaving) {
  TempDir dir;
  std::atomic<int> calls{0};
  ZRPreferences prefs(dir.file("preferences.xml").c_str(),
                      [&](void* store, const char* key, ZRPreferenceType, int, float, const char*,
                          ZRPreferences::NotificationSource) {
                        // The callback may read the store: the lock is not held while it runs.
                        int value = 0;
                        static_cast<ZRPreferences*>(store)->getValue(key, value);
                        calls.fetch_add(1);
                      });
  constexpr int kRounds = 2000;
  std::atomic<bool> done{false};
  std::thread render([&] {
    for (int i = 0; i < kRounds; ++i) {
      prefs.setValue("AutoMixFadeTime", i, 0, ZRPreferences::NotificationSkin);
      prefs.setValue(("render" + std::to_string(i % 50)).c_str(), "text of the render thread", 0,
                     ZRPreferences::NotificationSkin);
    }
    done.store(true);
  });
  int reads = 0;
  while (!done.load()) {
    int value = -1;
    if (prefs.getValue("AutoMixFadeTime", value)) {
      EXPECT_GE(value, 0);
    }
    char text[ZRPreferences::kMaxTextBytes + 1];
    if (prefs.getValue("render7", text)) {
      EXPECT_STREQ(text, "text of the render thread");
    }
    prefs.setValue(("main" + std::to_string(reads % 50)).c_str(), reads, 0,
                   ZRPreferences::NotificationDialog);
    if (reads % 100 == 0) {
      EXPECT_TRUE(prefs.saveAll(nullptr));
    }
    ++reads;
  }
  render.join();
  EXPECT_EQ(calls.load(), 2 * kRounds + reads);
  ASSERT_TRUE(prefs.saveAll(nullptr));
  ZRPreferences reloaded(dir.file("preferences.xml").c_str(), nullptr);
  ASSERT_TRUE(reloaded.loadAll(nullptr));
  int last = -1;
  EXPECT_TRUE(reloaded.getValue("AutoMixFadeTime", last));
  EXPECT_EQ(last, kRounds - 1);
}
