// The application end to end, as a user meets it: the real orvel program on a display of its own, with a
// fresh home folder in which the user once chose the "File output" sound device (so everything the master
// plays lands in Recordings/File output.wav), driven only by real pointer and key events. The user opens
// the demo songs' folder in the browser tree, loads one song into each deck, sets the crossfader to the
// first deck, plays both, moves the crossfader across to the second deck, and quits with the window's
// close control. Then: the output holds the first song, then both, then the second, in that order; the
// library and the settings were saved; a screenshot shows the skin; a second start finds both again.
//
// The skin is laid out by constraints, so where its controls lie is asked of skin_rects, which lays the
// same skin out with the real loader at the window's real client size.
//
// ORVEL_E2E_SCREENSHOT=path keeps the screenshot of the running application (scripts/make-screenshot.sh
// makes the README's picture so).

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>

#include "e2e_support.h"
#include "support/test_support.h"
#include "wav_tones.h"
#include "xwd_image.h"

namespace fs = std::filesystem;
using namespace orvel_e2e;

namespace {

constexpr int kScreenWidth = 1280;
constexpr int kScreenHeight = 800;
// The demo songs as the resources ship them: a tone each.
constexpr double kNightDriveHz = 440.0;
constexpr double kMorningRunHz = 587.33;
// How long each crossfader position is held.
constexpr int kHoldMs = 3000;

// The settings a user who once chose the file device has; the rest takes its defaults.
const char* const kPreferences =
    "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\" ?>\n"
    "<preferences version=\"100\">\n"
    "\t<pref name=\"AudioDevice\" value=\"File output\" type=\"3\" />\n"
    "</preferences>\n";

class EndToEnd : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* tool : {"Xvfb", "xdotool", "xwd", "xwininfo"}) {
      ASSERT_FALSE(findOnPath(tool).empty()) << tool << " is missing: run scripts/install-deps.sh";
    }
    display = std::make_unique<PrivateDisplay>(kScreenWidth, kScreenHeight);
    ASSERT_TRUE(display->ok()) << "Xvfb did not start";
    desktop = std::make_unique<Desktop>(display->name());
    home = std::make_unique<orvel_test::TempDir>();
    data = home->path() + "/Documents/Halden-Orvel/";
  }

  void TearDown() override {
    if (app > 0) {
      killProgram(app);
      app = -1;
    }
    if (HasFailure()) {
      std::cerr << "---- the application's log:\n" << readText(logPath()) << "---- end of log\n";
      // ORVEL_E2E_KEEP=folder keeps the last screenshot and the log of a failed run.
      if (const char* keep = std::getenv("ORVEL_E2E_KEEP"); keep != nullptr && *keep != '\0') {
        RgbImage last;
        if (readXwd(home->path() + "/wait.xwd", last, nullptr))
          writePng(std::string(keep) + "/last.png", last);
        writeText(std::string(keep) + "/orvel.log", readText(logPath()));
      }
    }
  }

  std::string logPath() const { return home->path() + "/orvel.log"; }

  // The user's environment: the test's home folder, nothing of the test suite's.
  EnvChanges userEnvironment() const {
    return {{"HOME", home->path()}, {"DISPLAY", display->name()}, {"GDK_BACKEND", "x11"},
            {"ORVEL_TEST", ""},     {"XDG_CONFIG_HOME", ""},      {"XDG_DATA_HOME", ""},
            {"XDG_CACHE_HOME", ""}, {"NO_AT_BRIDGE", "1"},        {"GTK_MODULES", ""}};
  }

  // Starts the program; at a first start answers the language chooser (English is preselected) with the
  // keyboard; returns the main window once it is on screen.
  std::optional<unsigned long> start() {
    std::ofstream(logPath(), std::ios::app) << "==== start\n";
    app = startProgram({ORVEL_PROGRAM}, userEnvironment(), logPath());
    if (app <= 0) return std::nullopt;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    bool answered = false;
    while (std::chrono::steady_clock::now() < deadline) {
      if (waitForExit(app, 0)) {
        app = -1;
        ADD_FAILURE() << "the application ended during its start";
        return std::nullopt;
      }
      for (unsigned long w : desktop->findWindows("^Orvel$")) {
        const std::optional<Rect> r = desktop->geometry(w);
        if (!r) continue;
        if (r->width >= 600 && r->height >= 400) {
          // Without a window manager the window may open partly off the screen: put it where the user
          // would have dragged it.
          if (r->x < 0 || r->y < 0 || r->x + r->width > display->width() ||
              r->y + r->height > display->height())
            desktop->moveWindow(w, 0, 0);
          return w;
        }
        // The language chooser: its choice has the focus, Tab reaches OK.
        if (!answered && r->width >= 150 && r->height >= 40) {
          desktop->moveTo(r->centerX(), r->centerY());
          desktop->key("Tab");
          desktop->key("Return");
          answered = true;
        }
      }
      sleepMs(250);
    }
    ADD_FAILURE() << "no main window within 60 s";
    return std::nullopt;
  }

  // Quits through the skin's close control and answers the question with Return (yes is the default);
  // true when the program ended by itself within the bound.
  bool quit(const SkinLayout& layout, const Rect& window) {
    const Rect close = layout.node("close", -1);
    desktop->click(window.x + close.centerX(), window.y + close.centerY());
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(45);
    bool answered = false;
    while (std::chrono::steady_clock::now() < deadline) {
      if (const std::optional<int> status = waitForExit(app, 0)) {
        app = -1;
        EXPECT_TRUE(WIFEXITED(*status) && WEXITSTATUS(*status) == 0) << "exit status " << *status;
        return true;
      }
      if (!answered) {
        for (unsigned long w : desktop->findWindows("^Orvel$")) {
          const std::optional<Rect> r = desktop->geometry(w);
          if (r && r->width < 600 && r->width >= 100 && r->height >= 40) {
            desktop->moveTo(r->centerX(), r->centerY());
            desktop->key("Return");
            answered = true;
          }
        }
      }
      sleepMs(250);
    }
    ADD_FAILURE() << "the application did not end within 45 s of its close";
    return false;
  }

  // The layout of the running window (and, with browseTo, the way through the browser tree there).
  bool layoutFor(const Rect& client, const std::string& browseTo, SkinLayout& layout) {
    std::vector<std::string> argv = {SKIN_RECTS_PROGRAM,
                                     orvel_test::sourceFile("resources/skins"),
                                     "Orvel",
                                     std::to_string(display->width()),
                                     std::to_string(display->height()),
                                     std::to_string(client.width),
                                     std::to_string(client.height)};
    if (!browseTo.empty()) {
      argv.push_back("--browse");
      argv.push_back(browseTo);
    }
    std::string out, error;
    const int rc = runProgram(argv, {{"HOME", home->path()}, {"ORVEL_TEST", ""}}, 30000, &out);
    EXPECT_EQ(rc, 0) << "skin_rects failed:\n" << out;
    if (rc != 0) return false;
    const bool parsed = layout.parse(out, &error);
    EXPECT_TRUE(parsed) << error;
    return parsed;
  }

  RgbImage shot(const std::string& name) {
    RgbImage image;
    std::string error;
    EXPECT_TRUE(desktop->screenshot(home->path() + "/" + name + ".xwd", image, &error)) << error;
    return image;
  }

  // Waits (at most timeoutMs) until the rectangle of the window shows at least minimum light text pixels.
  bool waitForText(const Rect& window, const Rect& area, int minimum, int timeoutMs,
                   const std::string& what) {
    const Rect onScreen{window.x + area.x, window.y + area.y, area.width, area.height};
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    int seen = 0;
    do {
      seen = brightPixels(shot("wait"), onScreen);
      if (seen >= minimum) return true;
      sleepMs(300);
    } while (std::chrono::steady_clock::now() < deadline);
    ADD_FAILURE() << what << ": no text within " << timeoutMs << " ms (" << seen << " light pixels)";
    return false;
  }

  // Waits (at most timeoutMs) until the track table shows exactly count rows with text (of its first
  // three).
  bool waitForRows(const SkinLayout& layout, const Rect& window, int count, int timeoutMs) {
    const Rect table = layout.node("playlist", -1);
    const int height = static_cast<int>(layout.rows.at("playlist").second);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    int shown = -1;
    do {
      const RgbImage image = shot("wait");
      shown = 0;
      for (int row = 0; row < 3; ++row) {
        const int y = rowPoint(layout, "playlist", window, row).second;
        if (brightPixels(image, Rect{window.x + table.x, y - height / 3, table.width, height / 2}) >= 20)
          ++shown;
      }
      if (shown == count) return true;
      sleepMs(300);
    } while (std::chrono::steady_clock::now() < deadline);
    ADD_FAILURE() << "the track table shows " << shown << " rows, not " << count;
    return false;
  }

  // Waits (at most 30 s) until the window shows the skin: its panels, knobs and captions in many colours
  // (a blank or black window has a handful).
  bool waitForSkin(const Rect& window) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    int colours = 0;
    do {
      colours = distinctColours(shot("wait"), window);
      if (colours > 200) return true;
      sleepMs(300);
    } while (std::chrono::steady_clock::now() < deadline);
    ADD_FAILURE() << "the window shows no skin within 30 s (" << colours << " colours)";
    return false;
  }

  // The middle of row `row` of a track table or the browser, in screen pixels. The point sits 0.4 rows
  // into the row below the column header, which is inside the same row whether or not the table shows
  // its header.
  static std::pair<int, int> rowPoint(const SkinLayout& layout, const std::string& table, const Rect& window,
                                      int row) {
    const Rect r = layout.node(table, -1);
    const auto [top, height] = layout.rows.at(table);
    return {window.x + r.centerX(), window.y + static_cast<int>(top + (row + 0.4) * height)};
  }

  // Tells how far the run got and when (the test's output shows where the time goes).
  // Starts the program with the video window kept open (VideoEnabled 1 and the extra preference lines)
  // and moves the main window down, as without a window manager it would cover the video window.
  bool startWithVideoWindow(const std::string& extraPrefs, unsigned long& mainWindow, unsigned long& video) {
    fs::create_directories(data + "Settings");
    const bool written = writeText(data + "Settings/preferences.xml",
                                   "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\" ?>\n"
                                   "<preferences version=\"100\">\n" +
                                       extraPrefs +
                                       "\t<pref name=\"VideoEnabled\" value=\"1\" type=\"1\" />\n"
                                       "</preferences>\n");
    EXPECT_TRUE(written);
    const std::optional<unsigned long> main = written ? start() : std::nullopt;
    const std::optional<Rect> window = main ? desktop->geometry(*main) : std::nullopt;
    if (!window || !waitForSkin(*window)) return false;
    const std::optional<unsigned long> output = desktop->waitForWindow("^Karaoke$", 100, 100, 30000);
    EXPECT_TRUE(output) << "the video window";
    if (!output) return false;
    desktop->moveWindow(*main, 0, 420);
    desktop->moveWindow(*output, 20, 20);
    mainWindow = *main;
    video = *output;
    phase("the video window is open");
    return true;
  }
  // Puts the main window back and quits through its close control.
  bool quitWithVideoWindow(unsigned long mainWindow) {
    desktop->moveWindow(mainWindow, 0, 0);
    sleepMs(300);
    const std::optional<Rect> back = desktop->geometry(mainWindow);
    EXPECT_TRUE(back);
    SkinLayout layout;
    return back && layoutFor(*back, "", layout) && quit(layout, *back);
  }

  void phase(const char* what) {
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    std::cout << "e2e: " << what << " at " << seconds << " s" << std::endl;
  }

  // The window's place and size once they stopped changing (the program may size its window again after
  // the skin shows): the same in reads a second apart, within 15 s.
  std::optional<Rect> settledGeometry(unsigned long w) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(15);
    std::optional<Rect> last = desktop->geometry(w);
    while (std::chrono::steady_clock::now() < deadline) {
      sleepMs(1000);
      const std::optional<Rect> now = desktop->geometry(w);
      if (now && last && now->x == last->x && now->y == last->y && now->width == last->width &&
          now->height == last->height)
        return now;
      last = now;
    }
    return last;
  }

  // Where slot 1's pad is on screen: on its row of the sampler column, the first light pixels (its
  // number) left of the loop switch. The skin may still show its first layout, before the captions filled
  // (the decks' times, the clock), in which the column sits further right than the settled layout says;
  // the row and the loop switch are the same in both. (-1, -1) when no number shows within 30 s.
  std::pair<int, int> slotPadOnScreen(const SkinLayout& layout, const Rect& window) {
    const Rect pad = layout.node("sampler1_play", -1), loop = layout.node("sampler1_loop", -1);
    const Rect panel = layout.node("_samplerpanel", -2);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    do {
      const RgbImage image = shot("wait");
      for (int x = window.x + panel.x; x < window.x + loop.x; ++x) {
        if (brightPixels(image, Rect{x, window.y + pad.y + 3, 1, pad.height - 6}) > 0)
          return {x + 2, window.y + pad.centerY()};
      }
      sleepMs(500);
    } while (std::chrono::steady_clock::now() < deadline);
    return {-1, -1};
  }

  // Waits (at most timeoutMs) until the log of the latest start holds text.
  bool waitForLog(const std::string& text, int timeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    do {
      const std::string log = readText(logPath());
      const size_t latest = log.rfind("==== start");
      if (log.find(text, latest == std::string::npos ? 0 : latest) != std::string::npos) return true;
      sleepMs(200);
    } while (std::chrono::steady_clock::now() < deadline);
    return false;
  }

  std::chrono::steady_clock::time_point started = std::chrono::steady_clock::now();
  std::unique_ptr<PrivateDisplay> display;
  std::unique_ptr<Desktop> desktop;
  std::unique_ptr<orvel_test::TempDir> home;
  std::string data;
  pid_t app = -1;
};

TEST_F(EndToEnd, ADjLoadsTwoDemoSongsPlaysThemAndCrossfadesFromOneToTheOther) {
  fs::create_directories(data + "Settings");
  ASSERT_TRUE(writeText(data + "Settings/preferences.xml", kPreferences));

  // ---- first start
  const std::optional<unsigned long> mainWindow = start();
  ASSERT_TRUE(mainWindow);
  std::optional<Rect> window = desktop->geometry(*mainWindow);
  ASSERT_TRUE(window);
  const std::string demoSongs = data + "DemoSongs";
  SkinLayout layout;
  ASSERT_TRUE(layoutFor(*window, demoSongs, layout));
  ASSERT_TRUE(waitForSkin(*window));

  phase("the main window is drawn");
  // ---- the browser tree's folder view: from the collection down to the demo songs' folder
  ASSERT_GE(layout.browseClickX, 0);
  desktop->click(window->x + layout.browseClickX, window->y + layout.browseClickY);
  for (const std::string& key : layout.browseKeys) desktop->key(key);
  ASSERT_TRUE(waitForRows(layout, *window, 2, 15000)) << "the demo songs' folder in the track table";

  phase("the folder is open");
  // ---- one song into each deck: select its row, press the deck's load button
  const auto [row0x, row0y] = rowPoint(layout, "playlist", *window, 0);
  const auto [row1x, row1y] = rowPoint(layout, "playlist", *window, 1);
  const Rect load0 = layout.node("deck_load", 0), load1 = layout.node("deck_load", 1);
  desktop->click(row0x, row0y);
  desktop->click(window->x + load0.centerX(), window->y + load0.centerY());
  ASSERT_TRUE(waitForText(*window, layout.node("deck_titlename", 0), 20, 15000, "deck A's title"));
  desktop->click(row1x, row1y);
  desktop->click(window->x + load1.centerX(), window->y + load1.centerY());
  ASSERT_TRUE(waitForText(*window, layout.node("deck_titlename", 1), 20, 15000, "deck B's title"));

  phase("both songs are loaded");
  // ---- the crossfader to deck A, both decks playing, then across to deck B. A press on the fader's
  // track brings its knob there; the drags stay on the track.
  const Rect fader = layout.node("crossfader", -1);
  const int faderY = window->y + fader.centerY();
  const int leftEnd = window->x + fader.x + 1, rightEnd = window->x + fader.x + fader.width - 2;
  const int middle = window->x + fader.centerX();
  desktop->drag(middle, faderY, leftEnd, faderY);
  const Rect play0 = layout.node("deck_playlive", 0), play1 = layout.node("deck_playlive", 1);
  desktop->click(window->x + play0.centerX(), window->y + play0.centerY());
  desktop->click(window->x + play1.centerX(), window->y + play1.centerY());
  sleepMs(kHoldMs);
  desktop->drag(leftEnd, faderY, middle, faderY);
  sleepMs(kHoldMs);
  // The running application as the user sees it.
  const RgbImage running = shot("running");
  desktop->drag(middle, faderY, rightEnd, faderY);
  sleepMs(kHoldMs);

  phase("the crossfader went across");
  // ---- the screenshot shows the skin, not a blank window
  const Rect onScreen{window->x, window->y, window->width, window->height};
  EXPECT_GT(distinctColours(running, onScreen), 200) << "the window looks blank";
  const RgbImage windowImage = crop(running, window->x, window->y, window->width, window->height);
  EXPECT_TRUE(writePng(home->path() + "/running.png", windowImage));
  if (const char* keep = std::getenv("ORVEL_E2E_SCREENSHOT"); keep != nullptr && *keep != '\0') {
    EXPECT_TRUE(writePng(keep, windowImage)) << "cannot write " << keep;
  }

  // ---- quit with the window's close control
  ASSERT_TRUE(quit(layout, *window));

  phase("the application ended");
  // ---- what the master played: deck A's song alone, both, deck B's alone
  std::vector<float> samples;
  int rate = 0;
  std::string error;
  ASSERT_TRUE(readWavMono(data + "Recordings/File output.wav", samples, rate, &error)) << error;
  ASSERT_GT(rate, 0);
  EXPECT_GT(samples.size(), static_cast<size_t>(rate) * 3 * kHoldMs / 1000) << "the output is too short";
  // The rows are in name order: "Morning Run" above "Night Drive".
  const std::vector<std::string> windows = classifyWindows(samples, rate, kMorningRunHz, kNightDriveHz, 0.1);
  const std::vector<ToneRun> runs = toneRuns(windows, 5);
  std::ostringstream told;
  for (const ToneRun& run : runs)
    told << run.label << " for " << run.length / 10.0 << " s from " << run.start / 10.0 << " s; ";
  std::cout << "heard (A: Morning Run, 587.33 Hz, deck A; B: Night Drive, 440 Hz, deck B): " << told.str()
            << "\n";
  std::vector<std::string> labels;
  for (const ToneRun& run : runs) labels.push_back(run.label);
  ASSERT_EQ(labels, (std::vector<std::string>{"A", "AB", "B"})) << told.str();
  // Each crossfader position was held for kHoldMs, and the second song sounded alone because the crossfader
  // moved: long before the first song could have ended by itself (both last over 20 s).
  for (const ToneRun& run : runs) EXPECT_GE(run.length / 10.0, kHoldMs / 1000.0 * 0.6) << run.label;
  EXPECT_LT((runs[2].start - runs[0].start) / 10.0, 15.0) << "the second song came alone too late";

  // ---- saved: the library with both songs, the settings with the device
  const std::string database = readText(data + "Database/database.xml");
  EXPECT_NE(database.find("Morning Run"), std::string::npos) << "database.xml:\n" << database.substr(0, 2000);
  EXPECT_NE(database.find("Night Drive"), std::string::npos);
  const std::string preferences = readText(data + "Settings/preferences.xml");
  EXPECT_NE(preferences.find("name=\"AudioDevice\" value=\"File output\""), std::string::npos) << preferences;
  EXPECT_GT(preferences.size(), std::string(kPreferences).size()) << "preferences.xml was not saved";

  phase("the files are checked");
  // ---- a second start finds the settings (the file device opens again and writes a new output file) and
  // the library (a search for one song's name finds it, and only it)
  fs::remove(data + "Recordings/File output.wav");
  const std::optional<unsigned long> again = start();
  ASSERT_TRUE(again);
  window = desktop->geometry(*again);
  ASSERT_TRUE(window);
  ASSERT_TRUE(waitForSkin(*window));
  SkinLayout second;
  ASSERT_TRUE(layoutFor(*window, "", second));
  const Rect search = second.node("et_search", -1);
  desktop->click(window->x + search.centerX(), window->y + search.centerY());
  desktop->type("Night Drive");
  desktop->key("Return");
  EXPECT_TRUE(waitForRows(second, *window, 1, 15000)) << "the search in the library";
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(15);
  while (!fs::exists(data + "Recordings/File output.wav") && std::chrono::steady_clock::now() < deadline)
    sleepMs(200);
  EXPECT_TRUE(fs::exists(data + "Recordings/File output.wav")) << "the file device was not chosen again";
  phase("the second start found the library");
  ASSERT_TRUE(quit(second, *window));
  phase("the second run ended");
  const std::string databaseAfter = readText(data + "Database/database.xml");
  EXPECT_NE(databaseAfter.find("Morning Run"), std::string::npos);
  EXPECT_NE(databaseAfter.find("Night Drive"), std::string::npos);
}

// The README's run command on a machine without a sound card: the window opens with the skin, the sound
// goes to "Null output", and the log says so once, not once per attempt or per setting.
TEST_F(EndToEnd, AFirstStartWithoutASoundCardPlaysIntoTheNullOutputAndSaysSoOnce) {
  const std::optional<unsigned long> mainWindow = start();
  ASSERT_TRUE(mainWindow);
  const std::optional<Rect> window = desktop->geometry(*mainWindow);
  ASSERT_TRUE(window);
  ASSERT_TRUE(waitForSkin(*window));
  SkinLayout layout;
  ASSERT_TRUE(layoutFor(*window, "", layout));
  ASSERT_TRUE(quit(layout, *window));
  const std::string log = readText(logPath());
  size_t said = 0;
  for (size_t at = log.find("'Null output'"); at != std::string::npos; at = log.find("'Null output'", at + 1))
    ++said;
  EXPECT_EQ(said, 1u) << log;
  EXPECT_NE(log.find("sound device 'Null output' chosen"), std::string::npos);
  EXPECT_FALSE(fs::exists(data + "Recordings/File output.wav"));
  EXPECT_NE(readText(data + "Settings/preferences.xml").find("name=\"AudioDevice\" value=\"Null output\""),
            std::string::npos);
}

// A shader chosen in an earlier session plays on the video output at the next start, moving with the
// master even while no deck has a video, and stays chosen.
TEST_F(EndToEnd, AChosenShaderPlaysOnTheVideoOutput) {
  fs::create_directories(data + "Shaders");
  fs::copy_file(orvel_test::sourceFile("resources/shaders/glsl/bass_rings.frag"),
                data + "Shaders/bass_rings.frag");
  const std::string list =
      "<shaders version=\"1\" currentShader=\"0\">\n"
      "<shader shaderID=\"orvel-bass-rings\" name=\"Bass Rings\" filename=\"bass_rings.frag\" />\n"
      "</shaders>\n";
  ASSERT_TRUE(writeText(data + "Shaders/shaders.xml", list));

  unsigned long mainWindow = 0, video = 0;
  ASSERT_TRUE(startWithVideoWindow("\t<pref name=\"AudioDevice\" value=\"File output\" type=\"3\" />\n",
                                   mainWindow, video));
  // The rings run outwards with the time: two pictures a moment apart differ, and each has many colours.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  int colours = 0;
  bool moved = false;
  std::vector<uint8_t> before;
  while (std::chrono::steady_clock::now() < deadline && !(colours > 50 && moved)) {
    const std::optional<Rect> area = desktop->geometry(video);
    ASSERT_TRUE(area);
    const RgbImage image = shot("wait");
    colours = distinctColours(image, *area);
    std::vector<uint8_t> pixels;
    for (int y = area->y + area->height / 4; y < area->y + area->height * 3 / 4; y += 7)
      for (int x = area->x + area->width / 4; x < area->x + area->width * 3 / 4; x += 7) {
        if (x < 0 || y < 0 || x >= image.width || y >= image.height) continue;
        const size_t i = (static_cast<size_t>(y) * image.width + x) * 3;
        pixels.insert(pixels.end(), image.rgb.begin() + i, image.rgb.begin() + i + 3);
      }
    moved = moved || (!before.empty() && pixels != before);
    before = pixels;
    sleepMs(300);
  }
  EXPECT_GT(colours, 50) << "the shader's rings on the video output";
  EXPECT_TRUE(moved) << "the picture moves";
  phase("the shader plays");

  ASSERT_TRUE(quitWithVideoWindow(mainWindow));
  EXPECT_NE(readText(data + "Shaders/shaders.xml").find("currentShader=\"0\""), std::string::npos);
}

// A user who keeps the video window open starts the program: the video output shows the shipped overlay,
// the half-transparent white name in its bottom right corner, with no track playing; the list is saved
// back to its file at the end.
TEST_F(EndToEnd, TheVideoWindowShowsTheShippedOverlay) {
  unsigned long mainWindow = 0, video = 0;
  ASSERT_TRUE(startWithVideoWindow("", mainWindow, video));

  // The picture above the window's full-screen button: its right half holds the name, its left half not.
  int shown = 0, elsewhere = 0;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  do {
    const std::optional<Rect> area = desktop->geometry(video);
    ASSERT_TRUE(area);
    const int top = area->y + area->height / 2, bottom = area->y + area->height * 3 / 4 + 20;
    const RgbImage image = shot("wait");
    shown = greyPixels(image, Rect{area->x + area->width / 2, top, area->width / 2, bottom - top}, 90, 170);
    elsewhere = greyPixels(image, Rect{area->x, area->y, area->width / 2, area->height / 2}, 90, 170);
    if (shown >= 20) break;
    sleepMs(300);
  } while (std::chrono::steady_clock::now() < deadline);
  EXPECT_GE(shown, 20) << "the shipped overlay on the video output";
  EXPECT_LT(elsewhere, 5) << "the overlay is in its corner only";
  phase("the overlay shows");

  ASSERT_TRUE(quitWithVideoWindow(mainWindow));
  EXPECT_NE(readText(data + "Overlays/default.xml").find("nametext=\"Orvel\""), std::string::npos);
}

// The stretches of samples[] that sound (10 ms windows louder than threshold in RMS, gaps shorter than
// 50 ms bridged), as [first, end) sample positions.
std::vector<std::pair<size_t, size_t>> soundingStretches(const std::vector<float>& samples, int rate,
                                                         double threshold) {
  const size_t window = static_cast<size_t>(rate) / 100;
  std::vector<std::pair<size_t, size_t>> stretches;
  for (size_t from = 0; window > 0 && from + window <= samples.size(); from += window) {
    double energy = 0;
    for (size_t i = from; i < from + window; ++i) energy += double{samples[i]} * samples[i];
    if (std::sqrt(energy / window) < threshold) continue;
    if (!stretches.empty() && from - stretches.back().second < 5 * window) {
      stretches.back().second = from + window;
    } else {
      stretches.push_back({from, from + window});
    }
  }
  return stretches;
}

double loudestWindowRms(const std::vector<float>& samples, int rate) {
  const size_t window = static_cast<size_t>(rate) / 100;
  double loudest = 0;
  for (size_t from = 0; window > 0 && from + window <= samples.size(); from += window) {
    double energy = 0;
    for (size_t i = from; i < from + window; ++i) energy += double{samples[i]} * samples[i];
    loudest = std::max(loudest, std::sqrt(energy / window));
  }
  return loudest;
}

// Upward zero crossings per second in samples[from, end): the pitch of a tone, whatever its shape.
double crossingsPerSecond(const std::vector<float>& samples, size_t from, size_t end, int rate) {
  size_t crossings = 0;
  for (size_t i = from + 1; i < end && i < samples.size(); ++i)
    if (samples[i - 1] < 0 && samples[i] >= 0) ++crossings;
  return end > from ? crossings * static_cast<double>(rate) / (end - from) : 0.0;
}

// The default sampler bank at a first start, kept across the close, and slot 1 pressed with a real click
// while both decks stand still: the output holds the slot's sound once, as long as the sample, after the
// click.
TEST_F(EndToEnd, TheFirstSamplerSlotsPadPlaysItsDefaultSampleIntoTheOutput) {
  // ---- a first start: the default bank fills the slots, and the close keeps it in the settings
  const std::string horn = "opening '" + data + "Samples/Air Horn.wav'";
  std::optional<unsigned long> mainWindow = start();
  ASSERT_TRUE(mainWindow);
  std::optional<Rect> window = desktop->geometry(*mainWindow);
  ASSERT_TRUE(window);
  ASSERT_TRUE(waitForSkin(*window));
  SkinLayout layout;
  ASSERT_TRUE(layoutFor(*window, "", layout));
  ASSERT_TRUE(waitForLog(horn, 15000)) << "slot 1's sample was not loaded";
  ASSERT_TRUE(quit(layout, *window));
  phase("the first run ended");
  const std::string bank = readText(data + "Settings/sampler.xml");
  EXPECT_NE(bank.find("index=\"1\" file=\"" + data + "Samples/Air Horn.wav\""), std::string::npos)
      << "sampler.xml after the close:\n"
      << bank;

  // ---- the user chooses the file device; the next start takes slot 1 from the saved bank
  std::string preferences = readText(data + "Settings/preferences.xml");
  const std::string nullDevice = "name=\"AudioDevice\" value=\"Null output\"";
  const size_t at = preferences.find(nullDevice);
  ASSERT_NE(at, std::string::npos) << preferences;
  preferences.replace(at, nullDevice.size(), "name=\"AudioDevice\" value=\"File output\"");
  ASSERT_TRUE(writeText(data + "Settings/preferences.xml", preferences));
  const std::string output = data + "Recordings/File output.wav";

  mainWindow = start();
  ASSERT_TRUE(mainWindow);
  window = desktop->geometry(*mainWindow);
  ASSERT_TRUE(window);
  ASSERT_TRUE(waitForSkin(*window));
  window = settledGeometry(*mainWindow);
  ASSERT_TRUE(window);
  SkinLayout second;
  ASSERT_TRUE(layoutFor(*window, "", second));
  ASSERT_TRUE(waitForLog(horn, 15000)) << "slot 1's sample was not loaded";
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(15);
  while (!fs::exists(output) && std::chrono::steady_clock::now() < deadline) sleepMs(200);
  ASSERT_TRUE(fs::exists(output)) << "the file device did not open";
  // Let the silence run a while, so that the sound cannot be the start's; what is on disk at the click
  // is before it.
  sleepMs(1500);
  std::vector<float> before;
  int rate = 0;
  std::string error;
  ASSERT_TRUE(readWavMono(output, before, rate, &error)) << error;
  const auto [padX, padY] = slotPadOnScreen(second, *window);
  ASSERT_GE(padX, 0) << "slot 1's pad is not on screen";
  desktop->click(padX, padY);
  phase("slot 1's pad was pressed");
  std::cout << "the window at " << window->x << "," << window->y << " size " << window->width << "x"
            << window->height << "; the pad pressed at " << padX << "," << padY << "\n";
  // Until the sound has come and gone on disk (the program may be slow on a loaded machine).
  const auto heardBy = std::chrono::steady_clock::now() + std::chrono::seconds(12);
  std::vector<float> sofar;
  while (std::chrono::steady_clock::now() < heardBy) {
    sleepMs(300);
    if (!readWavMono(output, sofar, rate, &error) || rate <= 0) continue;
    const double loudest = loudestWindowRms(sofar, rate);
    if (loudest < 0.01) continue;
    const auto stretches = soundingStretches(sofar, rate, loudest / 10);
    if (!stretches.empty() && stretches.back().second + rate / 2 < sofar.size()) break;
  }
  ASSERT_TRUE(quit(second, *window));
  phase("the second run ended");

  std::vector<float> samples;
  ASSERT_TRUE(readWavMono(output, samples, rate, &error)) << error;
  ASSERT_GT(rate, 0);
  std::vector<float> sample;
  int sampleRate = 0;
  ASSERT_TRUE(readWavMono(data + "Samples/Air Horn.wav", sample, sampleRate, &error)) << error;
  const double sampleSeconds = static_cast<double>(sample.size()) / sampleRate;

  const double loudest = loudestWindowRms(samples, rate);
  ASSERT_GT(loudest, 0.01) << "the output is silent";
  const auto stretches = soundingStretches(samples, rate, loudest / 10);
  std::ostringstream told;
  for (const auto& [from, end] : stretches)
    told << static_cast<double>(from) / rate << " s to " << static_cast<double>(end) / rate << " s; ";
  std::cout << "sounding (the click at " << static_cast<double>(before.size()) / rate << " s): " << told.str()
            << "\n";
  ASSERT_EQ(stretches.size(), 1u) << "the slot's sound, once, and silence else: " << told.str();
  const auto [from, end] = stretches.front();
  EXPECT_GE(from, before.size()) << "the sound began before the click";
  EXPECT_LT(static_cast<double>(from - std::min(from, before.size())) / rate, 6.0) << "the sound came late";
  const double seconds = static_cast<double>(end - from) / rate;
  EXPECT_GT(seconds, sampleSeconds * 0.7) << told.str();
  EXPECT_LT(seconds, sampleSeconds * 1.3) << told.str();
  // Its pitch: the sample's, not a click or the start of something else.
  const double heard = crossingsPerSecond(samples, from, end, rate);
  const double shipped = crossingsPerSecond(sample, 0, sample.size(), sampleRate);
  EXPECT_NEAR(heard, shipped, shipped * 0.05) << "crossings per second heard and in the sample";
  EXPECT_NE(readText(data + "Settings/sampler.xml").find("Air Horn.wav"), std::string::npos);
}

}  // namespace
