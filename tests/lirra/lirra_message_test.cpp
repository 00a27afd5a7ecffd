// Requests framed by the client and opened by a service written independently (lirra_test_service.h);
// replies framed by that service, genuine, forged, replayed and malformed.
#include "lirra/lirra_message.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <cstring>
#include <string>

#include "lirra_test_service.h"

namespace {

class LirraMessage : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(m_crypto_session_init(&session, service.clientVersion.c_str(), service.clientHash.c_str(),
                                    service.preSessionKey, service.clientSecret, service.signPublic),
              0);
    ASSERT_TRUE(m_message_context_init(&context, &session, "https://catalogue.example/api"));
  }
  void TearDown() override { m_crypto_session_free(&session); }

  // Encodes a request and returns what the service saw.
  lirra_test::Request send(int method, const char* json = "{\"a\":1}") {
    char* url = nullptr;
    int id = 0;
    EXPECT_EQ(m_message_encode(&context, method, json, &url, &id), 0) << m_message_get_error();
    lastUrl = url != nullptr ? url : "";
    free(url);
    lirra_test::Request r = service.open(lastUrl);
    EXPECT_EQ(r.requestId, id);
    return r;
  }
  int decode(const std::string& reply, std::string* text = nullptr) {
    char* out = nullptr;
    int method = -1, id = 0;
    const int r = m_message_decode(&context, reply.c_str(), &out, &method, &id);
    if (text != nullptr) *text = out != nullptr ? out : "";
    if (r != 0 && r != 8) {
      EXPECT_EQ(out, nullptr);
    }
    free(out);
    return r;
  }
  void openSession(const std::string& token) {
    lirra_test::Request r = send(M_MSG_SESSION_OPEN, nullptr);
    ASSERT_TRUE(r.ok);
    ASSERT_EQ(decode(service.openSession(r, token)), 0) << m_message_get_error();
  }

  lirra_test::Service service;
  m_crypto_session session;
  m_message_context context;
  std::string lastUrl;
};

TEST_F(LirraMessage, RequestCarriesItsFieldsInOrderAndOpensAtTheService) {
  context.request_counter = 41;
  lirra_test::Request r = send(M_MSG_ACCOUNT_GET, "{\"get\":\"get\",\"account_id\":\"7\"}");
  ASSERT_TRUE(r.ok);
  EXPECT_EQ(r.json, "{\"get\":\"get\",\"account_id\":\"7\"}");
  EXPECT_EQ(r.requestId, 42);
  EXPECT_EQ(context.request_counter, 42);
  EXPECT_EQ(r.timestamp.size(), 14u);
  const std::string prefix =
      "https://catalogue.example/api?method=account_get&request_id=42&timestamp=" + r.timestamp +
      "&client_version=orvel-1.0&client_hash=c0ffee42&signature=";
  EXPECT_EQ(lastUrl.rfind(prefix, 0), 0u) << lastUrl;
  EXPECT_EQ(r.query["signature"].size(), 22u);
  EXPECT_EQ(r.query.count("session_token"), 0u);

  // An empty or missing body is sent as "{}"; an unknown method as the empty name.
  for (const char* body : {static_cast<const char*>(nullptr), ""}) {
    r = send(M_MSG_PRODUCTS_GET, body);
    EXPECT_EQ(r.json, "{}");
    EXPECT_EQ(r.query["data"].size(), 3u);
  }
  for (int method : {16, -1}) {
    send(method);
    EXPECT_NE(lastUrl.find("?method=&request_id="), std::string::npos) << lastUrl;
  }
}

TEST_F(LirraMessage, QueryOf256CharactersIsRefusedAnd255Fit) {
  // Query length with an empty client version: the rest is fixed once the counter and time are known.
  context.request_counter = 999;  // the next id has four digits
  char* url = nullptr;
  ASSERT_EQ(m_message_encode(&context, M_MSG_DEBUG, "{}", &url, nullptr), 0);
  const std::string first(url);
  free(url);
  const size_t base = first.find("data=") + 5 - first.find('?') - 1 - service.clientVersion.size() -
                      service.clientHash.size();
  for (size_t wanted : {255u, 256u}) {
    const size_t textLength = wanted - base;  // client version and hash together
    ASSERT_LE(textLength, 200u);
    const std::string version(textLength / 2, 'v'), hash(textLength - textLength / 2, 'h');
    m_crypto_session other;
    ASSERT_EQ(m_crypto_session_init(&other, version.c_str(), hash.c_str(), service.preSessionKey,
                                    service.clientSecret, service.signPublic),
              0);
    context.session = &other;
    context.request_counter = 999;
    url = nullptr;
    const int r = m_message_encode(&context, M_MSG_DEBUG, "{}", &url, nullptr);
    // The timestamp is 14 characters at any time, so only the version length moves the total.
    EXPECT_EQ(r, wanted == 256 ? 1 : 0) << wanted;
    if (r == 1) {
      EXPECT_STREQ(m_message_get_error(), "Failed to create query base part");
      EXPECT_EQ(url, nullptr);
      EXPECT_EQ(context.request_counter, 1000);  // the id was spent all the same
    }
    free(url);
    context.session = &session;
    m_crypto_session_free(&other);
  }
}

TEST_F(LirraMessage, CounterNeverWrapsAndStartsAtRandom) {
  context.request_counter = INT_MAX;
  char* url = nullptr;
  EXPECT_EQ(m_message_encode(&context, M_MSG_DEBUG, "{}", &url, nullptr), 10);
  EXPECT_EQ(url, nullptr);
  EXPECT_EQ(context.request_counter, INT_MAX);

  m_message_context a, b;
  ASSERT_TRUE(m_message_context_init(&a, &session, "https://x.example/"));
  ASSERT_TRUE(m_message_context_init(&b, &session, "https://x.example/"));
  EXPECT_GE(a.request_counter, 0);
  EXPECT_LE(a.request_counter, 1 << 30);
  // Two starts at the same value would be a one-in-a-billion event.
  EXPECT_NE(a.request_counter, b.request_counter);
}

TEST_F(LirraMessage, EndpointMustBeHttpsOrThisMachine) {
  m_message_context c;
  for (const char* good :
       {"https://a.example/api", "http://127.0.0.1:8080/api", "http://localhost/x", "http://[::1]:9/x"})
    EXPECT_TRUE(m_message_context_init(&c, &session, good)) << good;
  const std::string tooLong = "https://" + std::string(120, 'a');
  for (const char* bad :
       {"http://a.example/api", "ftp://127.0.0.1/", "https://a.example/api?x=1", "https://", "https://a b/",
        "http://127.0.0.1.evil.example/", "http://localhost@evil.example/", tooLong.c_str(), ""})
    EXPECT_FALSE(m_message_context_init(&c, &session, bad)) << bad;
}

TEST_F(LirraMessage, GenuineReplyOpensWithItsOwnIdentity) {
  lirra_test::Request r = send(M_MSG_PRODUCTS_GET);
  std::string text;
  ASSERT_EQ(decode(service.reply(r, "{\"items\":[]}"), &text), 0) << m_message_get_error();
  EXPECT_EQ(text, "{\"items\":[]}");
}

TEST_F(LirraMessage, ReplayedAndMisdirectedRepliesAreRefused) {
  lirra_test::Request r = send(M_MSG_PRODUCTS_GET);
  const std::string genuine = service.reply(r, "{\"items\":[]}");
  // Sealed correctly but naming another request id, time or method.
  EXPECT_EQ(decode(service.reply(r.method, r.requestId + 1, r.timestamp, "{}", "", service.preSessionKey)),
            9);
  EXPECT_EQ(decode(service.reply(r.method, r.requestId, "20000101000000", "{}", "", service.preSessionKey)),
            9);
  EXPECT_EQ(decode(service.reply("account_get", r.requestId, r.timestamp, "{}", "", service.preSessionKey)),
            9);
  EXPECT_STREQ(m_message_get_error(), "Reply does not answer the request");
  ASSERT_EQ(decode(genuine), 0);
  // The same reply a second time, or after a newer request.
  EXPECT_EQ(decode(genuine), 9);
  send(M_MSG_PRODUCTS_GET);
  EXPECT_EQ(decode(genuine), 9);
}

TEST_F(LirraMessage, ForgedRepliesFailAuthentication) {
  lirra_test::Request r = send(M_MSG_ACCOUNT_GET);
  unsigned char otherKey[32] = {9};
  EXPECT_EQ(decode(service.reply(r.method, r.requestId, r.timestamp, "{\"x\":1}", "", otherKey)), 6);
  EXPECT_STREQ(m_message_get_error(), "Decryption failed");
  // Flip one byte of the data.
  std::string reply = service.reply(r, "{\"account\":{}}");
  const size_t data = reply.find("\"data\":\"") + 8;
  reply[data] = reply[data] == 'A' ? 'B' : 'A';
  EXPECT_EQ(decode(reply), 6);
  // The genuine reply still opens afterwards: a failure leaves the request waiting.
  EXPECT_EQ(decode(service.reply(r, "{\"account\":{}}")), 0);
}

TEST_F(LirraMessage, ErrorRepliesAreHandedOutButFlagged) {
  lirra_test::Request r = send(M_MSG_SUBSCRIPTION_CANCEL);
  std::string text;
  EXPECT_EQ(decode(service.errorReply(r, "bad card", "expired", 17), &text), 8);
  cJSON* o = cJSON_Parse(text.c_str());
  ASSERT_TRUE(cJSON_IsObject(o));
  EXPECT_EQ(cJSON_GetArraySize(o), 1);
  EXPECT_STREQ(cJSON_GetObjectItem(cJSON_GetObjectItem(o, "error"), "string")->valuestring, "bad card");
  cJSON_Delete(o);
}

TEST_F(LirraMessage, MalformedRepliesGiveTheirCodeAndText) {
  lirra_test::Request r = send(M_MSG_PRODUCTS_GET);
  const std::string good = service.reply(r, "{}");
  // Edits of the genuine reply as JSON: member -> replacement (null removes it).
  struct Case {
    const char* member;
    const char* value;  // JSON text, or null to remove
    int result;
    const char* error;
  } cases[] = {
      {"method", nullptr, 101, "Missing value method"},
      {"method", "3", 101, "Invalid value type for method"},
      {"request_id", "\"5\"", 101, "Invalid value type for request_id"},
      {"request_id", "1.5", 3, "Invalid request_id"},
      {"request_id", "1e12", 3, "Invalid request_id"},
      {"client_version", nullptr, 101, "Missing value client_version"},
      {"client_hash", "null", 101, "Invalid value type for client_hash"},
      {"timestamp", nullptr, 101, "Missing value timestamp"},
      {"method", "\"launch\"", 3, "Unknown method launch"},
      {"client_version", "\"orvel-0.9\"", 3, "Invalid client_version"},
      {"client_hash", "\"deadbeef\"", 3, "Invalid client_hash"},
      {"session_token", nullptr, 101, "Missing value session_token"},
      {"signature", nullptr, 101, "Missing value signature"},
      {"data", "{}", 101, "Invalid value type for data"},
      {"signature", "\"AAAAAAAAAAAAAAAAAAAA\"", 3, "Invalid base64 encoded signature"},     // 15 bytes
      {"signature", "\"AAAAAAAAAAAAAAAAAAAAAAA\"", 3, "Invalid base64 encoded signature"},  // 17 bytes
      {"data", "\"\"", 3, "Failed to base64 decode data section"},
  };
  for (const Case& c : cases) {
    cJSON* o = cJSON_Parse(good.c_str());
    cJSON_DeleteItemFromObjectCaseSensitive(o, c.member);
    if (c.value != nullptr) cJSON_AddItemToObject(o, c.member, cJSON_Parse(c.value));
    EXPECT_EQ(decode(lirra_test::printJson(o)), c.result)
        << c.member << " " << (c.value ? c.value : "removed");
    EXPECT_STREQ(m_message_get_error(), c.error);
  }
  for (const char* text : {"", "[]", "\"x\"", "{", "{\"method\":"}) {
    EXPECT_EQ(decode(text), 3) << text;
    EXPECT_STREQ(m_message_get_error(), "JSON parsing failed");
  }
  EXPECT_EQ(decode(good), 0);
}

TEST_F(LirraMessage, SessionOpenInstallsKeyAndTokenAfterTheServiceProvesThem) {
  openSession("T0ken_-9");
  ASSERT_NE(session.session_token, nullptr);
  EXPECT_STREQ(session.session_token, "T0ken_-9");
  EXPECT_EQ(memcmp(session.session_key, service.sessionKey, 32), 0);

  // From now on requests carry the token and open only under the session key.
  lirra_test::Request r = send(M_MSG_ACCOUNT_GET);
  ASSERT_TRUE(r.ok);
  EXPECT_EQ(r.query["session_token"], "T0ken_-9");
  std::string text;
  EXPECT_EQ(decode(service.reply(r, "{\"ok\":1}"), &text), 0);
  EXPECT_EQ(text, "{\"ok\":1}");
  // A reply of another session is refused before anything is decoded.
  r = send(M_MSG_ACCOUNT_GET);
  EXPECT_EQ(decode(service.reply(r.method, r.requestId, r.timestamp, "{}", "other", service.sessionKey)), 7);
  EXPECT_STREQ(m_message_get_error(), "Session token mismatch");
}

TEST_F(LirraMessage, RefusedSessionOpenLeavesTheSessionAsItWas) {
  unsigned char forgerPublic[32], forgerSecret[64];
  crypto_sign_keypair(forgerPublic, forgerSecret);
  const unsigned char lowOrder[32] = {};
  struct Case {
    const char* token;
    const unsigned char* signWith;
    const unsigned char* publicKey;
    int result;
    const char* error;
  } cases[] = {
      {"tok", forgerSecret, nullptr, 6, "Peer authentication failed"},
      {"tok&method=debug", nullptr, nullptr, 3, "Invalid session token"},
      {"0123456789012345678901234567890123456789012345678", nullptr, nullptr, 3, "Invalid session token"},
      {"tok", nullptr, lowOrder, 3, "Invalid session public key"},
  };
  for (const Case& c : cases) {
    lirra_test::Request r = send(M_MSG_SESSION_OPEN, nullptr);
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(decode(service.openSession(r, c.token, c.signWith, false, c.publicKey)), c.result) << c.token;
    EXPECT_STREQ(m_message_get_error(), c.error);
    EXPECT_EQ(session.session_token, nullptr);
    const unsigned char zero[32] = {};
    EXPECT_EQ(memcmp(session.session_key, zero, 32), 0);
  }
  // The session still works in its first phase.
  lirra_test::Request r = send(M_MSG_PRODUCTS_GET);
  EXPECT_TRUE(r.ok);
  EXPECT_EQ(r.query.count("session_token"), 0u);
}

}  // namespace
