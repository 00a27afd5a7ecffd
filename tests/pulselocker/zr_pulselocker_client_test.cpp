#include "pulselocker/zr_pulselocker_client.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "fake_pl_sdk.h"
#include "pulselocker/pl_sdk.h"
#include "pulselocker/pl_singleton.h"
#include "support/log_capture.h"
#include "support/test_support.h"

namespace {

using namespace std::chrono_literals;

// What the deck's two function objects saw.
struct DeckSide {
  struct Delivery {
    std::istream* stream;
    std::string message;
    bool isError;
  };
  std::mutex lock;
  std::condition_variable changed;
  std::vector<Delivery> deliveries;
  std::vector<float> progress;
  bool keepGoing = true;  // what onProgress answers

  ZRPulselocker::StreamCallback onStream() {
    return [this](std::istream* stream, const std::string& message, bool isError) {
      std::lock_guard<std::mutex> guard(lock);
      deliveries.push_back({stream, message, isError});
      changed.notify_all();
      return true;
    };
  }
  ZRPulselocker::ProgressCallback onProgress() {
    return [this](float fraction) {
      std::lock_guard<std::mutex> guard(lock);
      progress.push_back(fraction);
      return keepGoing;
    };
  }
  bool waitForDeliveries(std::size_t n) {
    std::unique_lock<std::mutex> guard(lock);
    return changed.wait_for(guard, 10s, [&] { return deliveries.size() >= n; });
  }
};

std::string readAll(std::istream* stream) {
  return std::string(std::istreambuf_iterator<char>(*stream), {});
}

class StreamingClient : public ::testing::Test {
 protected:
  fake_pl::Sdk sdk;
  ZRPulselockerClient client;
  void SetUp() override {
    client.loggedIn = true;
    sdk.storage->save<pl::Song>(fake_pl::sampleSong(42));
  }
};

TEST(StreamingClientRefusals, EachRefusalAnswersAtOnceWithAnErrorAndALogLine) {
  fake_pl::Sdk sdk;
  ZRPulselockerClient client;
  struct Case {
    int deck;
    const char* url;
    bool loggedIn;
    const char* message;
    const char* logLine;
  } cases[] = {
      // The deck waits for an answer: a bad deck is an error, not "nothing to say".
      {3, "pulselocker://song/42", true, "Deck number not valid", "error: deck number not valid"},
      {-1, "pulselocker://song/42", true, "Deck number not valid", "error: deck number not valid"},
      {0, "pulselocker://song/42", false, "Please login to Pulselocker first", "error: user not logged in"},
      {0, "pulselocker://song/abc", true, "Pulselocker song id not valid", "song id not valid"},
      {1, "pulselocker://song/", true, "Pulselocker song id not valid", "song id not valid"},
      // Id 0 would ask the service for its whole collection.
      {2, "pulselocker://song/0", true, "Pulselocker song id not valid", "song id not valid"},
      {0, "pulselocker://song/-4", true, "Pulselocker song id not valid", "song id not valid"},
      {0, "pulselocker://song/99999999999999999999", true, "Pulselocker song id not valid",
       "song id not valid"},
      {0, "file:///music/a.mp3", true, "Pulselocker song id not valid", "song id not valid"},
  };
  for (const Case& c : cases) {
    orvel_test::LogCapture log;
    DeckSide deck;
    client.loggedIn = c.loggedIn;
    client.loadSong(c.deck, c.url, deck.onStream(), deck.onProgress());
    ASSERT_EQ(deck.deliveries.size(), 1u) << c.url;
    EXPECT_EQ(deck.deliveries[0].stream, nullptr);
    EXPECT_EQ(deck.deliveries[0].message, c.message) << c.url;
    EXPECT_TRUE(deck.deliveries[0].isError) << c.url;
    EXPECT_EQ(log.count(c.logLine), 1) << c.url << "\n" << log.joined();
  }
  EXPECT_EQ(sdk.root->loads(), 0u);
  EXPECT_TRUE(sdk.dispatch->sent().empty());
}

TEST(StreamingClientRefusals, WithoutTheSdkOneLineSaysSoAndNothingIsLoaded) {
  // No fake installed: this is what a Linux system has.
  orvel_test::LogCapture log;
  ZRPulselockerClient client;
  client.loggedIn = true;
  for (int i = 0; i < 2; ++i) {
    DeckSide deck;
    client.loadSong(0, "pulselocker://song/42", deck.onStream(), deck.onProgress());
    ASSERT_EQ(deck.deliveries.size(), 1u);
    EXPECT_EQ(deck.deliveries[0].message, "Pulselocker is not available on this system");
    EXPECT_TRUE(deck.deliveries[0].isError);
  }
  EXPECT_FALSE(pl::sdkAvailable());
  // Said once for the process (an earlier test may have said it already).
  EXPECT_LE(log.count("SDK has no Linux build"), 1);
  EXPECT_THROW(pl::Singleton<pl::Root>::getInstance(), pl::SingletonError);
  // Nothing was loaded in the SDK's place: on Linux a library of its name is the sound server's.
  const std::string maps = orvel_test::readFile("/proc/self/maps");
  ASSERT_FALSE(maps.empty());
  EXPECT_EQ(maps.find("libpulse"), std::string::npos);
}

TEST(StreamingClientUrls, SongIdIsTheNumberAfterThePrefixWhereverItStands) {
  struct Case {
    const char* url;
    int64_t id;
  } cases[] = {
      {"pulselocker://song/42", 42},
      {"pulselocker://song/42?from=search", 42},
      {"library:pulselocker://song/7", 7},
      {"pulselocker://song/ +9", 9},
      {"pulselocker://song/x42", 0},
      {"pulselocker://album/42", 0},
      {"pulselocker://song/9223372036854775807", INT64_MAX},
      {"pulselocker://song/9223372036854775808", 0},
  };
  for (const Case& c : cases) EXPECT_EQ(ZRPulselockerClient::songIdOfUrl(c.url), c.id) << c.url;
}

TEST_F(StreamingClient, CachedSongStartsTheLoadAtOnceAndDeliversItsStreamAfterProgress) {
  orvel_test::LogCapture log;
  DeckSide deck;
  client.loadSong(1, "pulselocker://song/42", deck.onStream(), deck.onProgress());
  // Started before loadSong returned, with the cached song's partial record.
  ASSERT_EQ(sdk.root->loads(), 1u);
  auto load = sdk.root->load(0);
  EXPECT_EQ(load->song.id, 42);
  EXPECT_EQ(load->song.name, "Song 42");
  EXPECT_TRUE(sdk.dispatch->sent().empty());
  // The SDK calls back on its own thread.
  std::thread sdkThread([&] {
    load->media("RIFF-bytes");
    load->progress(0, 0);  // unknown length: nothing to report (and no division by zero)
    load->progress(50, 100);
    load->progress(100, 100);
    load->complete();
  });
  sdkThread.join();
  ASSERT_EQ(deck.deliveries.size(), 1u);
  ASSERT_NE(deck.deliveries[0].stream, nullptr);
  EXPECT_FALSE(deck.deliveries[0].isError);
  EXPECT_EQ(readAll(deck.deliveries[0].stream), "RIFF-bytes");
  EXPECT_EQ(deck.progress, (std::vector<float>{0.0f, 0.5f, 1.0f}));
  EXPECT_TRUE(log.contains("loadSongMedia started"));
  EXPECT_TRUE(log.contains("loadSongMedia fully loaded"));
}

TEST_F(StreamingClient, UncachedSongIsFetchedWithTheUsersSessionAndSavedBeforeItsLoad) {
  sdk.user->setSessionId(5150);
  sdk.user->setAuthToken("tok-1");
  sdk.dispatch->setAnswer([](const pl::http::Request&) {
    pl::http::Response r = fake_pl::songReply(fake_pl::sampleSong(77));
    r.headers["x-pl-auth-token"] = "tok-2";  // the service renews the token
    return r;
  });
  DeckSide deck;
  client.loadSong(0, "pulselocker://song/77", deck.onStream(), deck.onProgress());
  ASSERT_TRUE(sdk.root->waitForLoads(1));
  sdk.dispatch->joinAll();
  const auto sent = sdk.dispatch->sent();
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0].url, "/songs/77");
  EXPECT_EQ(sent[0].method, 1);
  EXPECT_EQ(sent[0].headers.at(pl::api::_details::sessionIdHeaderName), "5150");
  EXPECT_EQ(sent[0].headers.at(pl::api::_details::authTokenHeaderName), "tok-1");
  EXPECT_EQ(sdk.user->authToken(), "tok-2");
  EXPECT_TRUE(sdk.storage->has(pl::Object::kSong, 77));
  EXPECT_EQ(sdk.root->load(0)->song.id, 77);
}

TEST_F(StreamingClient, MetadataAndMediaFailuresReachTheDeckWithTheRightErrorFlag) {
  // A cached record of the wrong shape is fetched again; the service refuses it.
  sdk.storage->putRaw(pl::Object::kSong, 5, "{\"song_id\":5}");
  sdk.dispatch->setAnswer([](const pl::http::Request&) {
    pl::http::Response r;
    r.status = 404;
    r.body = "{}";
    return r;
  });
  orvel_test::LogCapture log;
  DeckSide fetched;
  client.loadSong(0, "pulselocker://song/5", fetched.onStream(), fetched.onProgress());
  ASSERT_TRUE(fetched.waitForDeliveries(1));
  EXPECT_EQ(fetched.deliveries[0].message, "HTTP status 404.");
  EXPECT_TRUE(fetched.deliveries[0].isError);
  EXPECT_TRUE(log.contains("loadSongMedia cannot get song error 'HTTP status 404.'"));

  struct Case {
    pl::Error error;
    bool isError;
  } cases[] = {{pl::CancelledError(), false}, {pl::MediaError(2, "Download failed."), true}};
  for (const Case& c : cases) {
    DeckSide deck;
    client.loadSong(1, "pulselocker://song/42", deck.onStream(), deck.onProgress());
    auto load = sdk.root->load(sdk.root->loads() - 1);
    load->fail(c.error);
    ASSERT_EQ(deck.deliveries.size(), 1u);
    EXPECT_EQ(deck.deliveries[0].stream, nullptr);
    EXPECT_EQ(deck.deliveries[0].message, c.error.toString());
    EXPECT_EQ(deck.deliveries[0].isError, c.isError) << c.error.getClassCode();
  }
  EXPECT_EQ(pl::CancelledError().getClassCode(), 17039360);
}

TEST_F(StreamingClient, FalseProgressCancelsTheLoadEvenBeforeTheSdksTokenIsBack) {
  // The SDK has the media at hand and calls onMedia inside loadSongMedia; the deck is being stopped.
  sdk.root->setInlineMedia("bytes");
  DeckSide deck;
  deck.keepGoing = false;
  client.loadSong(0, "pulselocker://song/42", deck.onStream(), deck.onProgress());
  ASSERT_EQ(sdk.root->loads(), 1u);
  EXPECT_EQ(deck.progress, std::vector<float>{0.0f});
  EXPECT_TRUE(sdk.root->load(0)->cancelled());

  // A later false answer to progress cancels a running load as well.
  sdk.root->setInlineMedia("");
  DeckSide other;
  client.loadSong(1, "pulselocker://song/42", other.onStream(), other.onProgress());
  auto load = sdk.root->load(1);
  load->media("x");
  EXPECT_FALSE(load->cancelled());
  other.keepGoing = false;
  load->progress(10, 100);
  EXPECT_TRUE(load->cancelled());
}

TEST_F(StreamingClient, CallbacksOfAReplacedOrCancelledLoadNeverReachTheDeck) {
  sdk.storage->save<pl::Song>(fake_pl::sampleSong(43));
  DeckSide first, second, otherDeck;
  client.loadSong(0, "pulselocker://song/42", first.onStream(), first.onProgress());
  client.loadSong(1, "pulselocker://song/42", otherDeck.onStream(), otherDeck.onProgress());
  auto old = sdk.root->load(0);
  auto deck1 = sdk.root->load(1);
  old->media("old");
  deck1->media("deck one");
  client.loadSong(0, "pulselocker://song/43", second.onStream(), second.onProgress());
  auto fresh = sdk.root->load(2);
  // The first load was cancelled and its media released; deck 1 is untouched.
  EXPECT_TRUE(old->cancelled());
  EXPECT_FALSE(deck1->cancelled());
  // The old load's late callbacks, from the SDK's thread, reach nobody.
  std::thread late([&] {
    old->progress(90, 100);
    old->complete();
    old->fail(pl::MediaError(1, "late"));
  });
  late.join();
  EXPECT_EQ(first.progress, std::vector<float>{0.0f});
  EXPECT_TRUE(first.deliveries.empty());
  fresh->media("new");
  fresh->complete();
  ASSERT_EQ(second.deliveries.size(), 1u);
  EXPECT_EQ(readAll(second.deliveries[0].stream), "new");
  deck1->complete();
  ASSERT_EQ(otherDeck.deliveries.size(), 1u);
  EXPECT_EQ(readAll(otherDeck.deliveries[0].stream), "deck one");

  // After a cancel, the media's completion delivers nothing either.
  client.cancelAndDestroySong(1);
  EXPECT_TRUE(deck1->cancelled());
  deck1->complete();
  EXPECT_EQ(otherDeck.deliveries.size(), 1u);
}

TEST_F(StreamingClient, PlayEventsReachTheMediaInMicrosecondsUnlessDropped) {
  DeckSide deck;
  client.loadSong(0, "pulselocker://song/42", deck.onStream(), deck.onProgress());
  auto load = sdk.root->load(0);
  // Before the media arrived there is nothing to report on.
  client.sendPlayEvent(0, ZRPulselocker::kPlay, 1, -1);
  load->media("m");
  struct Case {
    int deck;
    int type;
    int positionMs;
    int toMs;
    const char* expected;  // nullptr: dropped
  } cases[] = {
      {0, 0, 1500, -1, "play 1500000"},
      {0, 1, 2000, -1, "pause 2000000"},
      {0, 2, 10000, 10249, nullptr},
      {0, 2, 10000, 10250, "seek 10000000 10250000"},
      {0, 2, 10250, 10000, "seek 10250000 10000000"},
      {0, 2, 10000, -1, nullptr},
      {0, 3, -5, -1, nullptr},
      {0, 3, 61000, -1, "eject 61000000"},
      {0, 4, 100, -1, nullptr},
      {3, 0, 100, -1, nullptr},
      {-1, 0, 100, -1, nullptr},
      {1, 0, 100, -1, nullptr},  // deck 1 has no media
  };
  std::vector<std::string> expected;
  for (const Case& c : cases) {
    client.sendPlayEvent(c.deck, static_cast<ZRPulselocker::PlayEventType>(c.type), c.positionMs, c.toMs);
    if (c.expected) expected.push_back(c.expected);
  }
  EXPECT_EQ(load->events->taken(), expected);
  orvel_test::LogCapture log;
  client.cancelAndDestroySong(-1);
  EXPECT_EQ(log.count("error: deck number not valid"), 1);
}

TEST_F(StreamingClient, LoadsAndCancelsRaceTheSdksThreadsWithoutAStaleDelivery) {
  // The SDK's thread keeps calling every load's callbacks while the deck's thread loads and cancels.
  std::atomic<bool> done{false};
  std::atomic<int> staleDeliveries{0};
  std::atomic<int> loadNumber{0};
  std::thread sdkThread([&] {
    std::size_t seen = 0;
    while (!done.load()) {
      const std::size_t n = sdk.root->loads();
      for (std::size_t i = seen; i < n; ++i) {
        auto load = sdk.root->load(i);
        load->media(std::to_string(i));
        load->progress(1, 2);
        load->complete();
      }
      seen = n;
      std::this_thread::yield();
    }
  });
  const auto deadline = std::chrono::steady_clock::now() + 2s;
  int loads = 0;
  while (std::chrono::steady_clock::now() < deadline && loads < 300) {
    // Once the cancel has returned, no callback of an older load may deliver.
    client.cancelAndDestroySong(0);
    const int mine = loadNumber.load() + 1;
    loadNumber = mine;
    client.loadSong(
        0, "pulselocker://song/42",
        [&, mine](std::istream* stream, const std::string&, bool) {
          if (stream != nullptr && mine != loadNumber.load()) staleDeliveries.fetch_add(1);
          return true;
        },
        [](float) { return true; });
    ++loads;
  }
  done = true;
  sdkThread.join();
  EXPECT_EQ(staleDeliveries.load(), 0);
  EXPECT_GT(loads, 10);
}

}  // namespace
