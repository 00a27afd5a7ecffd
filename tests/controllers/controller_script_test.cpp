// Controller script files: the identity a script declares, the refusals (language version, over-long
// files, not evaluating), the byte-order mark, the scan of the user's folder before the resources', the
// matching by USB ids, port names and SysEx identity reply, and the paced retry of a script that no longer
// loads. The shipped generic controller script loads and declares itself.

#include <gtest/gtest.h>

#include <string>

#include "controllers/zr_controller_script.h"
#include "support/log_capture.h"
#include "support/test_support.h"

namespace {

int defined = 0;
void countDefinitions(ZRControllerScript*) {
  ++defined;
}

std::string script(const std::string& body) {
  return "function getLanguageVersion() { return 1; }\n" + body;
}

TEST(ControllerScript, ReadsTheDeclaredIdentity) {
  orvel_test::TempDir dir;
  orvel_test::writeFile(
      dir.file("pad.js"),
      script("function getFileVersion() { return 3; }\n"
             "function getControllerUserFriendlyName() { return 'Pad \\u00e9'; }\n"
             "function getSupportedMidiDeviceVID(n) { return 0x1234; }\n"
             "function getSupportedMidiDevicePID(n) { return 0x10; }\n"
             "function getSupportedMidiDeviceVID2(n) { return 0x1234; }\n"
             "function getSupportedMidiDevicePID2(n) { return 0x11; }\n"
             "function getSupportedMidiDeviceNameForInput(n) { return 'Pad MIDI 1'; }\n"
             "function getSupportedMidiDeviceNameForOutput(n) { return 'Pad MIDI 1 out'; }\n"
             "function getSupportedMidiDeviceNameForInput2(n) { return 'x'.repeat(300); }\n"));
  defined = 0;
  ZRControllerScript s(dir.file("pad.js"), &countDefinitions);
  EXPECT_TRUE(s.loaded());
  EXPECT_EQ(defined, 1);
  EXPECT_EQ(s.getDeviceType(), kDeviceTypeMidi);
  EXPECT_EQ(s.fileVersion(), 3);
  EXPECT_EQ(s.getFriendlyName(), "Pad \xC3\xA9");
  EXPECT_TRUE(s.matchesMIDI_USB(0x1234, 0x10));
  EXPECT_TRUE(s.matchesMIDI_USB(0x1234, 0x11));
  EXPECT_FALSE(s.matchesMIDI_USB(0x1234, 0x12));
  EXPECT_FALSE(s.matchesHID_USB(0, 0));
  EXPECT_TRUE(s.matchesMIDI_nameInput("pad midi 1"));
  EXPECT_TRUE(s.matchesMIDI_nameOutput("PAD MIDI 1 OUT"));
  EXPECT_FALSE(s.matchesMIDI_nameInput("Pad MIDI 2"));
  EXPECT_EQ(s.identity().inputName2.size(), static_cast<size_t>(kControllerIdentityBytes - 1));
  EXPECT_FALSE(s.matchesMIDI_sysexid("F07E"));
}

struct TypeCase {
  const char* declared;
  int type;
};

TEST(ControllerScript, ControllerTypeAndHidIds) {
  orvel_test::TempDir dir;
  for (const TypeCase& c : {TypeCase{"Hid", kDeviceTypeHid}, TypeCase{"HID", kDeviceTypeHid},
                            TypeCase{"usb", kDeviceTypeMidi}, TypeCase{"MIDI", kDeviceTypeMidi}}) {
    orvel_test::writeFile(dir.file("t.js"),
                          script(std::string("function getControllerType() { return '") + c.declared +
                                 "'; }\n"
                                 "function getSupportedHidDeviceVID(n) { return 5; }\n"
                                 "function getSupportedHidDevicePID(n) { return 6; }\n"));
    ZRControllerScript s(dir.file("t.js"), nullptr);
    EXPECT_EQ(s.getDeviceType(), c.type) << c.declared;
    EXPECT_TRUE(s.matchesHID_USB(5, 6));
    EXPECT_FALSE(s.matchesHID_USB(5, 0));
  }
}

TEST(ControllerScript, SysExIdentityScriptsMatchRepliesByPrefixAndEmptyMatchesNothing) {
  orvel_test::TempDir dir;
  orvel_test::writeFile(dir.file("id.js"),
                        script("function getSupportedMidiSysExIdString(n) { return '4711'; }\n"
                               "function getSupportedMidiSysExIdString2(n) { return '4799'; }\n"
                               "function getSupportedMidiDeviceNameForInput(n) { return 'never read'; }\n"));
  ZRControllerScript s(dir.file("id.js"), nullptr);
  EXPECT_TRUE(s.matchesMIDI_sysexid("47110203F7"));
  EXPECT_TRUE(s.matchesMIDI_sysexid("4799F7"));
  EXPECT_FALSE(s.matchesMIDI_sysexid("4812F7"));
  EXPECT_FALSE(s.matchesMIDI_sysexid("47"));
  EXPECT_FALSE(s.matchesMIDI_nameInput("never read"));  // a SysEx script is bound by reply, not name
  orvel_test::writeFile(dir.file("empty.js"),
                        script("function getSupportedMidiSysExIdString(n) { return ''; }\n"
                               "function getSupportedMidiDeviceNameForInput(n) { return 'Keys'; }\n"));
  ZRControllerScript empty(dir.file("empty.js"), nullptr);
  EXPECT_FALSE(empty.matchesMIDI_sysexid("47110203F7"));
  EXPECT_FALSE(empty.matchesMIDI_sysexid(""));
  EXPECT_TRUE(empty.matchesMIDI_nameInput("keys"));  // no identity string: the names count
}

struct RefusedCase {
  const char* name;
  std::string text;
  const char* logged;
};

TEST(ControllerScript, RefusedScriptsKeepAClearedIdentity) {
  orvel_test::TempDir dir;
  const std::string longText = script("var s = '" + std::string(kMaxControllerScriptBytes, 'a') + "';");
  for (const RefusedCase& c :
       {RefusedCase{"no version", "function getSupportedMidiDeviceVID(n) { return 1; }",
                    "getLanguageVersion: -1"},
        RefusedCase{"version 2", "function getLanguageVersion() { return 2; }", "getLanguageVersion: 2"},
        RefusedCase{"syntax error", "function (", "was not evaluated ok BOM=0"},
        RefusedCase{"bom and error", "\xEF\xBB\xBF function (", "was not evaluated ok BOM=1"},
        RefusedCase{"too long", longText, "longer than"}}) {
    orvel_test::writeFile(dir.file("bad.js"), c.text);
    orvel_test::LogCapture log;
    ZRControllerScript s(dir.file("bad.js"), nullptr);
    EXPECT_FALSE(s.loaded()) << c.name;
    EXPECT_EQ(s.getDeviceType(), -1) << c.name;
    EXPECT_FALSE(s.matchesMIDI_USB(0, 0)) << c.name;  // never matched, not even by zero ids
    EXPECT_GE(log.count(c.logged), 1) << c.name;
  }
  orvel_test::LogCapture log;
  ZRControllerScript missing(dir.file("missing.js"), nullptr);
  EXPECT_EQ(log.count("error reading js script"), 1);
}

TEST(ControllerScript, ByteOrderMarkIsSkipped) {
  orvel_test::TempDir dir;
  orvel_test::writeFile(dir.file("bom.js"),
                        "\xEF\xBB\xBF" + script("function getFileVersion() { return 9; }"));
  ZRControllerScript s(dir.file("bom.js"), nullptr);
  EXPECT_TRUE(s.loaded());
  EXPECT_EQ(s.fileVersion(), 9);
}

TEST(ControllerScript, AScriptThatNoLongerLoadsIsRetriedWithGrowingPauses) {
  orvel_test::TempDir dir;
  orvel_test::writeFile(dir.file("s.js"), script(""));
  defined = 0;
  ZRControllerScript s(dir.file("s.js"), &countDefinitions);
  s.unload();
  EXPECT_NE(s.getScript(100.0), nullptr);  // reloaded on demand, functions defined again
  EXPECT_EQ(defined, 2);
  s.unload();
  orvel_test::writeFile(dir.file("s.js"), "function (");
  orvel_test::LogCapture log;
  EXPECT_EQ(s.getScript(200.0), nullptr);
  EXPECT_EQ(s.getScript(200.5), nullptr);  // not due: no new try
  EXPECT_EQ(s.getScript(201.5), nullptr);  // due after 1 s, fails again: 2 s pause
  EXPECT_EQ(s.getScript(202.5), nullptr);
  EXPECT_EQ(log.count("reloading script"), 2);
  orvel_test::writeFile(dir.file("s.js"), script(""));
  EXPECT_NE(s.getScript(203.6), nullptr);
  EXPECT_EQ(s.getDeviceType(), kDeviceTypeMidi);  // the identity survives reloads
}

TEST(ControllerScripts, ScanTakesJsFilesByNameUserFolderFirst) {
  orvel_test::TempDir user, shipped;
  orvel_test::writeFile(user.file("b.js"),
                        script("function getControllerUserFriendlyName() { return 'user b'; }"));
  orvel_test::writeFile(user.file("A.js"),
                        script("function getControllerUserFriendlyName() { return 'user A'; }"));
  orvel_test::writeFile(user.file(".hidden.js"), script(""));
  orvel_test::writeFile(user.file("notes.JS"), script(""));
  orvel_test::writeFile(user.file("broken.js"), "function (");
  orvel_test::writeFile(shipped.file("a.js"),
                        script("function getControllerUserFriendlyName() { return 'ours'; }"));
  ZRControllerScripts table;
  orvel_test::LogCapture log;
  EXPECT_EQ(table.scanFolderForControllerScripts(user.path(), nullptr), 3);
  EXPECT_EQ(table.scanFolderForControllerScripts(shipped.path(), nullptr), 1);
  ASSERT_EQ(table.totalScripts(), 4);
  EXPECT_EQ(table.at(0)->getFriendlyName(), "user A");
  EXPECT_EQ(table.at(1)->getFriendlyName(), "user b");
  EXPECT_EQ(table.at(2)->getDeviceType(), -1);  // broken keeps its slot
  EXPECT_EQ(table.at(3)->getFriendlyName(), "ours");
  EXPECT_EQ(table.at(4), nullptr);
  for (int i = 0; i < 4; ++i) EXPECT_FALSE(table.at(i)->loaded());
  EXPECT_EQ(log.count("controllers totalScripts=4"), 1);
}

TEST(ControllerScripts, TheShippedGenericScriptLoads) {
  ZRControllerScripts table;
  ASSERT_EQ(table.scanFolderForControllerScripts(orvel_test::sourceFile("resources/controllers"), nullptr),
            1);
  ZRControllerScript* generic = table.at(0);
  EXPECT_EQ(generic->getDeviceType(), kDeviceTypeMidi);
  EXPECT_EQ(generic->getFriendlyName(), "Generic MIDI Controller");
  EXPECT_TRUE(generic->matchesMIDI_nameInput("Generic MIDI Controller"));
  ZRJavaScript* js = generic->getScript();
  ASSERT_NE(js, nullptr);
  for (const char* fn : {"controllerInit", "messageReceived", "notificationReceived", "timerTick"}) {
    EXPECT_TRUE(js->testFunctionExists(fn)) << fn;
  }
}

}  // namespace
