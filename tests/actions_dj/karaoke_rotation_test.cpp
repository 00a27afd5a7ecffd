// The karaoke rotation turned by the "load next singer" button: three singers with generated songs, each
// loaded into deck A with the song's own key shift while the rotation turns; the question before replacing
// music that is heard; songs whose file is gone; an empty rotation.

#include "actions_dj/karaoke_rotation.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "actions_dj/action_dialogs.h"
#include "actions_dj/deck_loading.h"
#include "actions_dj/dj_action_table.h"
#include "actions_dj/engine_globals.h"
#include "actions_dj/test_node_table.h"
#include "common/action_ids.h"
#include "common/zr_preferences.h"
#include "database/list_test_support.h"
#include "database/zr_database.h"
#include "database/zr_list.h"
#include "dsp/engine/sound_source.h"
#include "soundio/engine_test_rig.h"
#include "support/test_support.h"

namespace {

using orvel_test::makeTrack;
using orvel_test::ScopedList;

struct Song {
  int32_t id;
  float key;
};

class KaraokeRotation : public ::testing::Test {
 protected:
  void SetUp() override {
    settings = std::make_unique<ZRPreferences>(nullptr, nullptr);
    settings->setValue("KSRKeepEmptySingers", 1, 0, ZRPreferences::NotificationProgram);
    preferences = settings.get();
    table = std::make_shared<orvel_test::TestNodeTable>();
    installActionControls(table);
    installActionDialogs(
        {[this](const ZRString&, const ZRString&, std::function<void()> onYes) {
           ++questions;
           if (answerYes) onYes();
         },
         [this](const ZRString& text, const ZRString&) { messages.push_back(text.utf8()); }});
    decks[0] = deckA.get();
    PlayAfterLoading[0] = 0;
    rotation->setIsKaraokeSingersRotationList(true);
  }
  void TearDown() override {
    installActionDialogs({});
    installActionControls(nullptr);
    decks[0] = nullptr;
    preferences = nullptr;
    PlayAfterLoading[0] = 0;
  }

  // A generated song of seconds in the library; its id.
  int32_t song(const std::string& name, double freq, double seconds) {
    const std::string path = dir.file(name);
    EXPECT_TRUE(orvel_test::writeWav16(path, orvel_test::stereoToneTrack(freq, seconds, 8000), 2, 44100));
    TZRDatabaseTrack track = makeTrack(path, "Artist", name.c_str());
    return db.addOrUpdate(&track);
  }
  void singer(const char* name, std::vector<Song> songs) {
    TZRListTrack row;
    row.singerName = ZRString(name);
    if (!songs.empty()) {
      row.trackId = songs[0].id;
      row.keyAdjust = songs[0].key;
    }
    for (size_t i = 1; i < songs.size(); ++i) row.additionalTracks.push_back({songs[i].id, songs[i].key});
    rotation->addLine(row, -1, false);
  }
  // The singers from the top, "-" after a name marking an empty slot.
  std::vector<std::string> order() {
    std::vector<std::string> out;
    TZRListTrack row;
    for (int32_t i = 0; rotation->getRowData(i, &row); ++i)
      out.push_back(row.singerName.utf8() + (row.trackId < 0 ? "-" : ""));
    return out;
  }
  // Presses the button as the skin does (its release slot) and waits for deck A to hold name.
  bool pressAndLoad(const std::string& name) {
    ZRActionCallback press = findDjAction(ACT_load_next_singer, ZRDjSlot::Release);
    if (press == nullptr) return false;
    press(0, -1, -1, nullptr);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (std::chrono::steady_clock::now() < deadline) {
      deckA->takePendingEvent();
      if (deckA->GetFileName().utf8() == dir.file(name) && deckA->isTrackReady()) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return false;
  }
  void press() { FLoadNextSinger(0, -1, -1, nullptr); }

  orvel_test::TempDir dir;
  ZRDatabase db;
  ScopedList rotation{&db, ZRList::kTypeKaraokeRotation, "rotation", true};
  std::unique_ptr<CSoundSource> deckA = std::make_unique<CSoundSource>(0, ZRString(dir.file("Stripes")));
  std::unique_ptr<ZRPreferences> settings;
  std::shared_ptr<orvel_test::TestNodeTable> table;
  int questions = 0;
  bool answerYes = false;
  std::vector<std::string> messages;
};

TEST_F(KaraokeRotation, ThreeSingersEachLoadWithTheirKeyShiftAndTheRotationTurns) {
  const int32_t anna1 = song("anna1.wav", 440, 3), anna2 = song("anna2.wav", 494, 3);
  const int32_t bob = song("bob.wav", 523, 3), cleo = song("cleo.wav", 587, 3);
  singer("Anna", {{anna1, 2.0f}, {anna2, -3.0f}});
  singer("Bob", {{bob, -1.0f}});
  singer("Cleo", {{cleo, 0.5f}});

  struct Step {
    const char* loaded;
    int cents;
    std::vector<std::string> order;
  };
  // After each press: the song on deck A, its key shift, and the rotation.
  const std::vector<Step> steps = {
      {"anna1.wav", 200, {"Anna", "Bob", "Cleo"}},
      {"bob.wav", -100, {"Bob", "Cleo", "Anna"}},
      {"cleo.wav", 50, {"Cleo", "Anna", "Bob-"}},
      {"anna2.wav", -300, {"Anna", "Bob-", "Cleo-"}},
  };
  for (const Step& s : steps) {
    ASSERT_TRUE(pressAndLoad(s.loaded)) << s.loaded;
    EXPECT_EQ(deckA->GetPitchKey(), s.cents) << s.loaded;
    EXPECT_EQ(table->getPos(ACT_deck_pitch_key, 0, -99), s.cents / 25) << s.loaded;
    EXPECT_EQ(order(), s.order) << s.loaded;
    EXPECT_EQ(PlayAfterLoading[0].load(), 0) << "the load took the play request: " << s.loaded;
  }
  EXPECT_TRUE(messages.empty());
  EXPECT_EQ(questions, 0);

  // Everyone has sung: the next press turns through every slot once and says so; another press leaves
  // the order as it is.
  press();
  EXPECT_EQ(order(), (std::vector<std::string>{"Anna-", "Bob-", "Cleo-"}));
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0], "Please add some songs in the Karaoke Singers Rotation list");
  press();
  EXPECT_EQ(order(), (std::vector<std::string>{"Anna-", "Bob-", "Cleo-"}));
  EXPECT_EQ(messages.size(), 2u);
}

TEST_F(KaraokeRotation, WithoutKeepingEmptySingersASingerWhoHasSungLeaves) {
  settings->setValue("KSRKeepEmptySingers", 0, 0, ZRPreferences::NotificationProgram);
  const int32_t a = song("a.wav", 440, 3), b = song("b.wav", 523, 3);
  singer("Anna", {{a, 0}});
  singer("Bob", {{b, 1.0f}});
  ASSERT_TRUE(pressAndLoad("a.wav"));
  ASSERT_TRUE(pressAndLoad("b.wav"));
  EXPECT_EQ(order(), (std::vector<std::string>{"Bob"}));
  press();
  EXPECT_TRUE(order().empty());
  EXPECT_EQ(messages.size(), 1u);
}

TEST_F(KaraokeRotation, ASongWhoseFileIsGoneIsSkippedWithoutALoadLeftWaiting) {
  const int32_t gone = song("gone.wav", 440, 3), next = song("next.wav", 494, 3), b = song("b.wav", 523, 3);
  ASSERT_EQ(std::remove(dir.file("gone.wav").c_str()), 0);
  singer("Anna", {{gone, 1.0f}, {next, 2.0f}});
  singer("Bob", {{b, 0}});
  // Anna's next song takes the gone one's place and is loaded.
  ASSERT_TRUE(pressAndLoad("next.wav"));
  EXPECT_EQ(deckA->GetPitchKey(), 200);
  EXPECT_EQ(order(), (std::vector<std::string>{"Anna", "Bob"}));

  // A singer with only a gone song: moved to the bottom like an empty slot; no play request stays set.
  rotation->clear();
  const int32_t gone2 = song("gone2.wav", 440, 3);
  ASSERT_EQ(std::remove(dir.file("gone2.wav").c_str()), 0);
  singer("Cleo", {{gone2, 0}});
  press();
  EXPECT_EQ(PlayAfterLoading[0].load(), 0);
  EXPECT_EQ(order(), (std::vector<std::string>{"Cleo"}));
  EXPECT_EQ(messages.size(), 1u);
  EXPECT_EQ(deckA->GetFileName().utf8(), dir.file("next.wav"));
}

TEST_F(KaraokeRotation, ReplacingMusicThatIsHeardAsksFirst) {
  // Deck A plays a long song (30 s): more than 5 s before its end the user is asked.
  const int32_t longSong = song("long.wav", 440, 30), b = song("b.wav", 523, 3);
  singer("Anna", {{longSong, 0}});
  singer("Bob", {{b, 1.0f}});
  ASSERT_TRUE(pressAndLoad("long.wav"));
  // The load asked to play: the deck starts after a short lead-in of the audio thread's pulls.
  std::vector<float> buffer(2 * 512);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (!deckA->IsPlaying() && std::chrono::steady_clock::now() < deadline) {
    deckA->takePendingEvent();
    deckA->GetSamples(buffer.data(), 512);
  }
  ASSERT_TRUE(deckA->IsPlaying());
  answerYes = false;
  press();
  EXPECT_EQ(questions, 1);
  // No: nothing loaded, but Anna's turn stays turned.
  EXPECT_EQ(deckA->GetFileName().utf8(), dir.file("long.wav"));
  EXPECT_EQ(order(), (std::vector<std::string>{"Bob", "Anna-"}));
  answerYes = true;
  ASSERT_TRUE(pressAndLoad("b.wav"));
  EXPECT_EQ(questions, 2);
  EXPECT_EQ(deckA->GetPitchKey(), 100);
}

TEST(KaraokeRotationEmpty, NoRotationOrNoRowsSaysSo) {
  std::vector<std::string> messages;
  installActionDialogs({[](const ZRString&, const ZRString&, std::function<void()>) {},
                        [&](const ZRString& text, const ZRString&) { messages.push_back(text.utf8()); }});
  FLoadNextSinger(0, -1, -1, nullptr);  // no rotation list at all
  {
    ZRDatabase db;
    ScopedList rotation{&db, ZRList::kTypeKaraokeRotation, "rotation", true};
    rotation->setIsKaraokeSingersRotationList(true);
    FLoadNextSinger(0, -1, -1, nullptr);
  }
  installActionDialogs({});
  EXPECT_EQ(messages,
            std::vector<std::string>(2, "Please add some songs in the Karaoke Singers Rotation list"));
}

}  // namespace
