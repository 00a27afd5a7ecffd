#include "gui/zr_artwork_cache.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "common/zr_texture.h"
#include "support/image_fixtures.h"
#include "support/log_capture.h"
#include "support/mp3_cover_fixture.h"
#include "support/test_support.h"
#include "support/tiny_http_server.h"

namespace {

using Clock = std::chrono::steady_clock;
using Result = ZRArtworkCache::TArtworkResult;

using orvel_test::writeMp3WithCover;

Result* waitForResult(ZRLockFreeQueue<void*>& queue, int milliseconds = 5000) {
  const auto deadline = Clock::now() + std::chrono::milliseconds(milliseconds);
  void* item = nullptr;
  while (Clock::now() < deadline) {
    if (queue.try_dequeue(item)) return static_cast<Result*>(item);
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return nullptr;
}

struct Owned {
  Result* r;
  explicit Owned(Result* result) : r(result) {}
  ~Owned() { ZRArtworkCache::freeResult(r); }
  Result* operator->() const { return r; }
};

class ArtworkCache : public ::testing::Test {
 protected:
  void SetUp() override {
    ZRTexture::setDefaultRenderDevice(ZRRenderEngineOpenGL);
    setenv("no_proxy", "127.0.0.1,localhost", 1);
    setenv("NO_PROXY", "127.0.0.1,localhost", 1);
  }
  // The cover pictures: quadrants of 32 x 32 (red top-left).
  std::string cover = orvel_test::encodePng(orvel_test::quadrantPicture(32, 32), false);
  orvel_test::TempDir dir;
  ZRLockFreeQueue<void*> replies;
};

TEST_F(ArtworkCache, EmbeddedCoverIsLoadedThenServedFromMemory) {
  const std::string track = dir.file("track.mp3");
  writeMp3WithCover(track, cover);
  ZRArtworkCache cache;
  unsigned char* pixels = nullptr;
  int w = 0, h = 0;
  bool alpha = true;
  EXPECT_FALSE(cache.getArtworkOrSendRequest(track, "", 3, &replies, pixels, w, h, alpha, 16, 16));
  Owned first(waitForResult(replies));
  ASSERT_NE(first.r, nullptr);
  EXPECT_EQ(first->row, 3);
  EXPECT_EQ(first->key.utf8(), track);
  EXPECT_EQ(first->width, 16);
  EXPECT_EQ(first->height, 16);
  EXPECT_FALSE(first->hasAlpha);
  // OpenGL takes blue first: the red corner reads 0, 0, 255.
  EXPECT_EQ(std::vector<int>(first->pixels, first->pixels + 3), (std::vector<int>{0, 0, 255}));

  // The same key and size now comes at once, as a copy of its own.
  ASSERT_TRUE(cache.getArtworkOrSendRequest(track, "", 4, &replies, pixels, w, h, alpha, 16, 16));
  EXPECT_NE(pixels, first->pixels);
  EXPECT_EQ(std::vector<int>(pixels, pixels + 16 * 16 * 3),
            std::vector<int>(first->pixels, first->pixels + 16 * 16 * 3));
  delete[] pixels;
  EXPECT_EQ(cache.getCachedCount(), 1u);
  EXPECT_EQ(cache.getCachedBytes(), 16u * 16 * 3);

  // Another size replaces the entry.
  EXPECT_FALSE(cache.getArtworkOrSendRequest(track, "", 4, &replies, pixels, w, h, alpha, 8, 8));
  Owned second(waitForResult(replies));
  ASSERT_NE(second.r, nullptr);
  EXPECT_EQ(second->width, 8);
  EXPECT_EQ(cache.getCachedCount(), 1u);
  EXPECT_EQ(cache.getCachedBytes(), 8u * 8 * 3);
  EXPECT_FALSE(cache.getArtworkOrSendRequest(track, "", 4, &replies, pixels, w, h, alpha, 16, 16));
  ZRArtworkCache::freeResult(waitForResult(replies));
}

TEST_F(ArtworkCache, WebCoversAreFetchedAndFailedOnesPostNothing) {
  const std::string bomb = orvel_test::withDeclaredSize(
      orvel_test::encodePng(orvel_test::solidPicture(4, 4, 1, 2, 3), false), 50000, 50000);
  orvel_test::TinyHttpServer server([&](const std::string& path) {
    orvel_test::HttpResponse r;
    r.headers = "Content-Type: image/png\r\n";
    if (path == "/cover.png") {
      r.body = cover;
    } else if (path == "/bomb.png") {
      r.body = bomb;
    } else {
      r.status = "404 Not Found";
      r.headers = "Content-Type: text/html\r\n";
      r.body = "<h1>no</h1>";
    }
    return r;
  });
  ZRArtworkCache cache;
  orvel_test::LogCapture log;
  unsigned char* pixels = nullptr;
  int w = 0, h = 0;
  bool alpha = false;
  // Two rows asking for the same picture are both served.
  cache.getArtworkOrSendRequest("k1", server.url("/cover.png"), 1, &replies, pixels, w, h, alpha, 32, 32);
  cache.getArtworkOrSendRequest("k1", server.url("/cover.png"), 2, &replies, pixels, w, h, alpha, 32, 32);
  Owned a(waitForResult(replies)), b(waitForResult(replies));
  ASSERT_NE(a.r, nullptr);
  ASSERT_NE(b.r, nullptr);
  EXPECT_EQ(a->row + b->row, 3);
  EXPECT_EQ(server.requests().size(), 1u);  // the second from memory

  for (const char* path : {"/missing.png", "/bomb.png"}) {
    cache.getArtworkOrSendRequest(path, server.url(path), 5, &replies, pixels, w, h, alpha, 32, 32);
  }
  cache.getArtworkOrSendRequest("file", "file:///etc/hostname", 6, &replies, pixels, w, h, alpha, 32, 32);
  // A marker request behind them shows the worker has passed them.
  cache.getArtworkOrSendRequest("k1", server.url("/cover.png"), 9, &replies, pixels, w, h, alpha, 8, 8);
  Owned marker(waitForResult(replies));
  ASSERT_NE(marker.r, nullptr);
  EXPECT_EQ(marker->row, 9);
  EXPECT_EQ(waitForResult(replies, 100), nullptr);
  EXPECT_TRUE(log.contains("larger than the pixel budget"));
  EXPECT_TRUE(log.contains("artwork: not a web address, cover not fetched: 'file:///etc/hostname'"));
}

TEST_F(ArtworkCache, StalledServerIsLimitedAndCancelsAreHonouredMeanwhile) {
  orvel_test::StallingHttpServer stalled;
  orvel_test::TinyHttpServer server([&](const std::string&) {
    orvel_test::HttpResponse r;
    r.body = cover;
    return r;
  });
  ZRArtworkCache cache;
  cache.setDownloadLimits(1, 1 << 20);
  unsigned char* pixels = nullptr;
  int w = 0, h = 0;
  bool alpha = false;
  cache.getArtworkOrSendRequest("stalled", stalled.url("/c.png"), 1, &replies, pixels, w, h, alpha, 8, 8);
  // While the worker waits on the stalled server: a load and its cancel, then a load that stays.
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  cache.getArtworkOrSendRequest("gone", server.url("/gone.png"), 2, &replies, pixels, w, h, alpha, 8, 8);
  cache.cancelRequest("gone", 2, &replies, 8, 8);
  cache.getArtworkOrSendRequest("kept", server.url("/kept.png"), 3, &replies, pixels, w, h, alpha, 8, 8);
  const auto start = Clock::now();
  Owned kept(waitForResult(replies));
  ASSERT_NE(kept.r, nullptr);
  EXPECT_EQ(kept->row, 3);
  EXPECT_LT(Clock::now() - start, std::chrono::seconds(3));
  EXPECT_EQ(waitForResult(replies, 200), nullptr);
  EXPECT_EQ(server.requests().size(), 1u);
}

TEST_F(ArtworkCache, ShutDownDoesNotWaitForAStalledServer) {
  orvel_test::StallingHttpServer stalled;
  auto cache = std::make_unique<ZRArtworkCache>();
  unsigned char* pixels = nullptr;
  int w = 0, h = 0;
  bool alpha = false;
  cache->getArtworkOrSendRequest("stalled", stalled.url("/c.png"), 1, &replies, pixels, w, h, alpha, 8, 8);
  std::this_thread::sleep_for(std::chrono::milliseconds(300));  // the worker is inside the download now
  const auto start = Clock::now();
  cache->stopProcessingThread();
  EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(2500));
  EXPECT_EQ(cache->getCachedCount(), 0u);
  // Nothing is answered after the stop.
  EXPECT_FALSE(cache->getArtworkOrSendRequest("x", "", 1, &replies, pixels, w, h, alpha, 8, 8));
  EXPECT_EQ(waitForResult(replies, 150), nullptr);
}

TEST_F(ArtworkCache, ABoundedStopGivesUpOnAWorkerStuckInARead) {
  // A "track" that is a named pipe without a writer: reading its tags blocks until someone writes.
  const std::string pipe = dir.file("stuck.mp3");
  ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
  ZRArtworkCache cache;
  unsigned char* pixels = nullptr;
  int w = 0, h = 0;
  bool alpha = false;
  cache.getArtworkOrSendRequest(pipe, "", 1, &replies, pixels, w, h, alpha, 8, 8);
  std::this_thread::sleep_for(std::chrono::milliseconds(300));  // the worker is inside the open now
  orvel_test::LogCapture log;
  const auto start = Clock::now();
  EXPECT_FALSE(cache.stopProcessingThread(200));
  EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(1500));
  EXPECT_TRUE(log.contains("artwork: the worker did not stop within 200 ms"));
  // The read ends once a writer comes and goes; the worker then stops, and the cache may go.
  const int writer = open(pipe.c_str(), O_WRONLY | O_NONBLOCK);
  if (writer >= 0) close(writer);
  std::this_thread::sleep_for(std::chrono::milliseconds(500));
}

TEST_F(ArtworkCache, TheByteBudgetEvictsTheLeastRecentlyUsed) {
  std::vector<std::string> tracks;
  for (int i = 0; i < 5; ++i) {
    tracks.push_back(dir.file("t" + std::to_string(i) + ".mp3"));
    writeMp3WithCover(tracks.back(), cover);
  }
  const size_t one = 16u * 16 * 3;
  ZRArtworkCache cache(3 * one);
  unsigned char* pixels = nullptr;
  int w = 0, h = 0;
  bool alpha = false;
  auto load = [&](int i) {
    ASSERT_TRUE(cache.getArtworkNow(tracks[i], "", pixels, w, h, alpha, 16, 16));
    delete[] pixels;
  };
  load(0);
  load(1);
  load(2);
  EXPECT_EQ(cache.getCachedCount(), 3u);
  // Using picture 0 makes picture 1 the oldest: it goes when picture 3 comes.
  ASSERT_TRUE(cache.getArtworkOrSendRequest(tracks[0], "", 0, &replies, pixels, w, h, alpha, 16, 16));
  delete[] pixels;
  load(3);
  EXPECT_EQ(cache.getCachedCount(), 3u);
  EXPECT_LE(cache.getCachedBytes(), 3 * one);
  EXPECT_TRUE(cache.getArtworkOrSendRequest(tracks[0], "", 0, &replies, pixels, w, h, alpha, 16, 16));
  delete[] pixels;
  EXPECT_FALSE(cache.getArtworkOrSendRequest(tracks[1], "", 0, &replies, pixels, w, h, alpha, 16, 16));
  ZRArtworkCache::freeResult(waitForResult(replies));
  // A smaller budget evicts at once; a picture larger than the whole budget is handed out but not kept.
  cache.setByteBudget(one);
  EXPECT_EQ(cache.getCachedCount(), 1u);
  cache.setByteBudget(one - 1);
  EXPECT_EQ(cache.getCachedCount(), 0u);
  load(4);
  EXPECT_EQ(cache.getCachedCount(), 0u);
}

}  // namespace
