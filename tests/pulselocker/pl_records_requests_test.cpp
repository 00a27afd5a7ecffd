#include <gtest/gtest.h>

#include <string>

#include "fake_pl_sdk.h"
#include "pulselocker/pl_api.h"
#include "pulselocker/pl_json_node.h"
#include "pulselocker/pl_records.h"
#include "pulselocker/pl_singleton.h"
#include "pulselocker/pl_storage.h"

namespace {

struct Outcome {
  std::mutex lock;
  std::vector<pl::Song> songs;
  std::vector<std::string> errors;
  std::function<void(pl::Song)> onSong() {
    return [this](pl::Song s) {
      std::lock_guard<std::mutex> g(lock);
      songs.push_back(std::move(s));
    };
  }
  std::function<void(const pl::Error&)> onError() {
    return [this](const pl::Error& e) {
      std::lock_guard<std::mutex> g(lock);
      errors.push_back(e.toString());
    };
  }
};

pl::http::Response authRefusal(int code) {
  pl::http::Response r;
  r.status = 401;
  r.body = "{\"error\":{\"code\":" + std::to_string(code) + ",\"message\":\"token\"}}";
  return r;
}

TEST(SongRecords, StoredJsonHasTheMembersInOrderAndReadsBack) {
  pl::Song song = fake_pl::sampleSong(42);
  song.territories.clear();
  song.furtherText = "not stored";
  EXPECT_EQ(
      song.toJSON().write(),
      "{\"artists\":[{\"artist_id\":7,\"artist_name\":\"Artist\",\"images\":{\"180x80\":\"a1\","
      "\"190x230\":\"a2\",\"375x250\":\"a3\"},\"updated_on\":\"u\"}],\"bpm\":124.5,\"disk\":1,"
      "\"duration\":61,\"label\":{\"images\":{\"150x150\":\"\",\"250x250\":\"\",\"500x500\":\"\"},"
      "\"label_id\":0,\"label_name\":\"\",\"updated_on\":\"\"},\"parental_advisory\":false,"
      "\"release\":{\"album_art\":{\"200x200\":\"\",\"75x75\":\"\",\"800x800\":\"\"},"
      "\"release_date\":\"1970-01-01\",\"release_id\":8,\"release_title\":\"Album\",\"updated_on\":\"\"},"
      "\"song_id\":42,\"song_key\":\"Am\",\"song_title\":\"Song 42\",\"territories\":[],\"track\":3,"
      "\"updated_on\":\"2026-01-02T03:04:05Z\"}");

  fake_pl::MemoryStorage store;
  store.save<pl::Song>(fake_pl::sampleSong(42));
  const std::string stored = store.raw(pl::Object::kSong, 42);
  EXPECT_NE(stored.find("\"territories\":[\"US\",\"GB\"],"), std::string::npos) << stored;
  EXPECT_EQ(stored.substr(stored.size() - 22), ",\"__pl_type__\":\"song\"}");
  const pl::Song back = store.get<pl::Song>(42);
  EXPECT_EQ(back.toJSON().write(), fake_pl::sampleSong(42).toJSON().write());
  EXPECT_EQ(back.durationMicroseconds, 61000000);  // whole seconds are what is stored
  const pl::SongPartial partial(back);
  EXPECT_EQ(partial.id, 42);
  EXPECT_EQ(partial.type, pl::Object::kSong);
  EXPECT_EQ(partial.artists.size(), 1u);
  EXPECT_TRUE(partial.extra.empty());
  EXPECT_THROW(store.get<pl::Song>(43), pl::storage::NotFoundError);
}

TEST(SongRecords, RecordsOfAnotherShapeAreRefused) {
  const std::string good = fake_pl::sampleSong(1).toJSON().write();
  struct Case {
    std::string json;
    const char* text;  // nullptr: any
  } cases[] = {
      {"{\"song_id\":1}", nullptr},
      {"[1,2]", nullptr},
      {good.substr(0, good.size() - 1) + ",\"__pl_type__\":\"artist\"}", "Not a song record."},
      {std::string(good).replace(good.find("\"duration\":61"), 13, "\"duration\":1e300"), nullptr},
      {std::string(good).replace(good.find("\"duration\":61"), 13, "\"duration\":-1"), nullptr},
      {std::string(good).replace(good.find("[\"US\""), 5, "[\"ZZ\""), "Unknown territory."},
      {std::string(good).replace(good.find("1970-01-01"), 10, "1970-02-30"), "Release date not valid."},
      {std::string(good).replace(good.find("\"release\":"), 10, "\"releasX\":"),
       "Key does not exist: \"release\"."},
  };
  for (const Case& c : cases) {
    try {
      pl::Song::fromJSON(JSONNode::parse(c.json));
      ADD_FAILURE() << c.json;
    } catch (const pl::json::ShapeError& e) {
      if (c.text) {
        EXPECT_EQ(e.toString(), c.text);
      }
    }
  }
}

TEST(JsonNodes, MembersAreReadCheckedAndCopiesNeverShareAChange) {
  JSONNode object = JSONNode::parse("{\"a\":{\"b\":1}}");
  try {
    object["release"];
    ADD_FAILURE();
  } catch (const pl::json::AccessError& e) {
    EXPECT_EQ(e.toString(), "Key does not exist: \"release\".");
    EXPECT_EQ(e.getCode(), 1);
  }
  JSONNode copy = object;
  JSONNode member = JSONNode::text("x");
  member.setName("c");
  copy.push_back(member);
  EXPECT_EQ(object.write(), "{\"a\":{\"b\":1}}");
  EXPECT_EQ(copy.write(), "{\"a\":{\"b\":1},\"c\":\"x\"}");
  JSONNode inner = object["a"];
  inner.push_back(member);
  EXPECT_EQ(object.write(), "{\"a\":{\"b\":1}}");
  EXPECT_EQ(inner.name(), "a");
  EXPECT_THROW(JSONNode::parse("{\"a\":1} trailing"), pl::json::ShapeError);
  EXPECT_THROW(object["a"].asText(), pl::json::ShapeError);
}

TEST(SongRequests, RouteAndSingletonsAreAsTheServiceExpects) {
  EXPECT_EQ(pl::api::Request::get<pl::Song>(42).path, "/songs/42");
  EXPECT_EQ(pl::api::Request::get<pl::Song>(0).path, "/songs");
  const pl::http::Request http = pl::api::Request::get<pl::Song>(42).toHttp();
  EXPECT_EQ(http.method, 1);
  EXPECT_EQ(http.body, "{}");
  try {
    pl::Singleton<pl::content::Cache>::getInstance();
    ADD_FAILURE();
  } catch (const pl::SingletonError& e) {
    EXPECT_EQ(e.toString(), "No singleton instance created yet.");
    EXPECT_EQ(e.getCode(), 3);
  }
}

TEST(SongRequests, IdZeroIsRefusedBeforeAnythingIsSent) {
  fake_pl::Sdk sdk;
  Outcome out;
  pl::_details::_GetFromAPI<pl::Song, false>::execute(0, out.onSong(), out.onError());
  EXPECT_EQ(out.errors, std::vector<std::string>{"Song id not valid."});
  EXPECT_TRUE(sdk.dispatch->sent().empty());
}

TEST(SongRequests, AuthorisationRefusalsAreResentAtMostUpToTheAttemptLimit) {
  struct Case {
    int code;
    bool authenticated;
    std::size_t sends;
    const char* error;
  } cases[] = {
      {4116, false, 3,
       "Request attempted too many times."},  // expired: refreshed even without a user's token
      {4113, true, 3, "Request attempted too many times."},
      {4113, false, 1, "token"},
      {4100, true, 1, "token"},
  };
  for (const Case& c : cases) {
    fake_pl::Sdk sdk;
    if (c.authenticated) sdk.user->setCredential("secret");
    sdk.dispatch->setAnswer([&](const pl::http::Request&) { return authRefusal(c.code); });
    Outcome out;
    pl::_details::_GetFromAPI<pl::Song, false>::execute(9, out.onSong(), out.onError());
    sdk.dispatch->joinAll();
    EXPECT_EQ(sdk.dispatch->sent().size(), c.sends) << c.code;
    EXPECT_EQ(out.errors, std::vector<std::string>{c.error}) << c.code;
    EXPECT_TRUE(out.songs.empty());
    EXPECT_EQ(c.authenticated,
              sdk.dispatch->sent()[0].headers.count(pl::api::_details::authTokenHeaderName) == 1);
  }
}

TEST(SongRequests, RepliesThatAreNotSongsReachTheErrorStep) {
  struct Case {
    int status;
    std::string body;
    const char* error;
  } cases[] = {
      {200, "not json", "Reply is not JSON."},
      {200, "{\"song_id\":1}", nullptr},
      {500, "{}", "HTTP status 500."},
  };
  for (const Case& c : cases) {
    fake_pl::Sdk sdk;
    sdk.dispatch->setAnswer([&](const pl::http::Request&) {
      pl::http::Response r;
      r.status = c.status;
      r.body = c.body;
      return r;
    });
    Outcome out;
    pl::_details::_GetFromAPI<pl::Song, false>::execute(1, out.onSong(), out.onError());
    sdk.dispatch->joinAll();
    ASSERT_EQ(out.errors.size(), 1u) << c.body;
    if (c.error) {
      EXPECT_EQ(out.errors[0], c.error);
    }
    EXPECT_FALSE(sdk.storage->has(pl::Object::kSong, 1));
  }
  // An exception of the on-song step that is not the SDK's is reported as an unknown error.
  fake_pl::Sdk sdk;
  sdk.dispatch->setAnswer(
      [](const pl::http::Request&) { return fake_pl::songReply(fake_pl::sampleSong(1)); });
  Outcome out;
  pl::_details::_GetFromAPI<pl::Song, false>::execute(
      1, [](pl::Song) { throw std::runtime_error("boom"); }, out.onError());
  sdk.dispatch->joinAll();
  EXPECT_EQ(out.errors, std::vector<std::string>{"Unknown error: boom"});
}

}  // namespace
