// The catalogue client against a framed service on 127.0.0.1: account, products and subscription calls,
// with genuine, forged, replayed and malformed replies, and the work queue's reports.
#include "lirra/zr_lirra_karaoke.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "common/zr_curl.h"
#include "common/zr_dispatch_queue_simple.h"
#include "common/zr_global_task_dispatch.h"
#include "lirra_client_setup.h"
#include "support/log_capture.h"
#include "support/tiny_http_server.h"

namespace {

using orvel_test::HttpResponse;
using Clock = std::chrono::steady_clock;

const char* kFullAccount = R"({
  "account": {"email": "dj@example.com", "office_name": "Club", "firstname": "Ann", "lastname": "Lee",
    "language": "en", "country_code": "US", "state_or_province_code": "CA", "address": "1 Main St",
    "zip": "90001", "city": "LA", "phone": "555", "country": "United States", "state_or_province": "California",
    "account_id": 77,
    "company": {"name": "Acme", "business_id": "B1", "vat_number": "V1", "id": 5},
    "subscription": {"free_period": 14, "not_valid_after": "2027-01-01", "not_valid_before": "2026-01-01",
      "license": {"id": 3, "name": "Pro", "type": "monthly"},
      "order_info": {"failed_recurring_attempts": 1, "id": 901, "payment_provider_id": 2,
        "payment_provider_name": "Pay", "payment_type_id": 4, "payment_type_name": "card", "product_id": 12,
        "product_name": "Monthly", "product_price": "9.99", "recurring_status": "active"}}},
  "time_info": {"time_diff": -3600}})";

const char* kProducts = R"({"items": [
  {"id": 12, "name": "Monthly", "description": "One month", "price": "9.99", "duration_months": 1,
   "duration_days": 0, "free_months": 0, "free_days": 7},
  null, "junk", {"name": "no id"},
  {"id": 13, "name": "Yearly", "description": "A year", "price": "99", "duration_months": 12,
   "duration_days": 0, "free_months": 1, "free_days": 0}]})";

class LirraClient : public ::testing::Test {
 protected:
  void SetUp() override {
    // The service goes on writing an oversized reply after the client has hung up: no signal for that.
    signal(SIGPIPE, SIG_IGN);
    ZRCurlGlobalInit();
    client = std::make_unique<ZRLirraKaraoke>(lirra_test::clientSetup(service, server.url("/api")));
    ASSERT_TRUE(client->isReady());
    client->setLoginState(3);
    ZRLirraKaraoke::AccountDetails account;
    account.accountId = 77;
    account.email = "old@example.com";
    client->setStoredAccount(account);
  }
  void TearDown() override {
    client.reset();
    ZRCurlGlobalDeinit();
  }

  // The service's answer to each request: by default a genuine reply with the data of replies[method].
  HttpResponse answer(const std::string& path) {
    lirra_test::Request r = service.open(path);
    std::lock_guard<std::mutex> lock(mutex);
    seen.push_back(r);
    if (handler) return handler(r);
    HttpResponse h;
    h.headers = "Content-Type: application/json\r\n";
    auto it = replies.find(r.method);
    h.body = service.reply(r, it != replies.end() ? it->second : "{}");
    return h;
  }
  std::vector<lirra_test::Request> requests() {
    std::lock_guard<std::mutex> lock(mutex);
    return seen;
  }
  std::vector<std::string> methods() {
    std::vector<std::string> out;
    for (const auto& r : requests()) out.push_back(r.method);
    return out;
  }

  lirra_test::Service service;
  std::mutex mutex;
  std::vector<lirra_test::Request> seen;
  std::map<std::string, std::string> replies;
  std::function<HttpResponse(const lirra_test::Request&)> handler;
  orvel_test::TinyHttpServer server{[this](const std::string& path) { return answer(path); }};
  std::unique_ptr<ZRLirraKaraoke> client;
};

TEST_F(LirraClient, AccountReadFillsEveryFieldAndStoresIt) {
  replies["account_get"] = kFullAccount;
  ZRLirraKaraoke::AccountDetails a;
  ASSERT_TRUE(client->internal_getAccountDetails(a, true, true));
  ASSERT_EQ(requests().size(), 1u);
  EXPECT_TRUE(requests()[0].ok);
  EXPECT_EQ(requests()[0].json, R"({"get":"get","account_id":"77"})");
  EXPECT_EQ(a.email, ZRString("dj@example.com"));
  EXPECT_EQ(a.stateOrProvinceCode, ZRString("CA"));
  EXPECT_EQ(a.vatNumber, ZRString("V1"));
  EXPECT_EQ(a.country, ZRString("United States"));
  EXPECT_EQ(a.accountId, 77);
  EXPECT_EQ(a.companyId, 5);
  EXPECT_EQ(a.timeDiff, -3600);
  EXPECT_EQ(a.freePeriod, 14);
  EXPECT_EQ(a.licenseType, ZRString("monthly"));
  EXPECT_EQ(a.orderId, 901);
  EXPECT_EQ(a.productPrice, ZRString("9.99"));
  EXPECT_EQ(a.recurringStatus, ZRString("active"));
  EXPECT_EQ(client->storedAccount().orderId, 901);

  // Without a company: empty company texts and id -1.
  std::string noCompany = kFullAccount;
  noCompany.replace(noCompany.find("\"company\""),
                    noCompany.find("\"subscription\"") - noCompany.find("\"company\""), "");
  replies["account_get"] = noCompany;
  ASSERT_TRUE(client->internal_getAccountDetails(a, true, false));
  EXPECT_EQ(a.companyId, -1);
  EXPECT_TRUE(a.companyName.empty());
  EXPECT_EQ(client->storedAccount().companyId, 5);  // store unset: the stored account stays
}

TEST_F(LirraClient, IncompleteAccountReplyChangesNothingAndFails) {
  orvel_test::LogCapture log;
  struct Case {
    const char* what;
    std::string reply;
  } cases[] = {
      {"no time_info",
       std::string(kFullAccount).substr(0, std::string(kFullAccount).find(",\n  \"time_info\"")) + "}"},
      {"no account", R"({"time_info": {"time_diff": 1}})"},
      {"account not an object", R"({"account": [], "time_info": {"time_diff": 1}})"},
      {"no subscription", R"({"account": {"account_id": 5}, "time_info": {"time_diff": 1}})"},
      {"account id a text", R"({"account": {"account_id": "5", "subscription": {}}, "time_info": {}})"},
      {"account id too large", R"({"account": {"account_id": 1e12, "subscription": {}}, "time_info": {}})"},
  };
  for (const Case& c : cases) {
    replies["account_get"] = c.reply;
    ZRLirraKaraoke::AccountDetails out;
    out.email = "untouched";
    EXPECT_FALSE(client->internal_getAccountDetails(out, true, true)) << c.what;
    EXPECT_EQ(out.email, ZRString("untouched")) << c.what;
    EXPECT_EQ(client->storedAccount().accountId, 77) << c.what;
    EXPECT_EQ(client->storedAccount().email, ZRString("old@example.com")) << c.what;
  }
  EXPECT_EQ(log.count("lirkar: error: parsing account data"), 6);
  // Minimal complete reply: members missing inside present objects read as empty or -1.
  replies["account_get"] =
      R"({"account": {"account_id": 8, "subscription": {"license": {}}}, "time_info": {}})";
  ZRLirraKaraoke::AccountDetails out;
  ASSERT_TRUE(client->internal_getAccountDetails(out, true, true));
  EXPECT_EQ(out.accountId, 8);
  EXPECT_EQ(out.licenseId, -1);
  EXPECT_EQ(out.orderId, -1);
  EXPECT_TRUE(out.email.empty());
}

TEST_F(LirraClient, LoginStatesGateEveryOperation) {
  client->setLoginState(1);
  ZRLirraKaraoke::AccountDetails out;
  ASSERT_TRUE(client->internal_getAccountDetails(out, false, false));
  EXPECT_EQ(out.accountId, 77);
  EXPECT_FALSE(client->internal_getAccountDetails(out, true, false));
  for (int state : {0, 1, 2, 5}) {
    client->setLoginState(state);
    ZRString message;
    EXPECT_FALSE(client->internal_getProducts());
    EXPECT_FALSE(client->internal_cancelSubscription(901, false, &message));
    EXPECT_EQ(message, ZRString("not connected to the server"));
    message = ZRString();
    EXPECT_FALSE(client->internal_activateSubscription(901, &message));
    EXPECT_EQ(message, ZRString("not connected to the server"));
  }
  EXPECT_TRUE(requests().empty());
}

TEST_F(LirraClient, ProductsKeepTheServiceOrderAndSkipBadElements) {
  replies["products_get"] = kProducts;
  ASSERT_TRUE(client->internal_getProducts());
  EXPECT_EQ(requests().at(0).json, R"({"getProducts":"getProducts"})");
  auto products = client->products();
  ASSERT_EQ(products.size(), 2u);
  EXPECT_EQ(products[0].id, 12);
  EXPECT_EQ(products[0].free_days, 7);
  EXPECT_EQ(products[1].name, ZRString("Yearly"));
  EXPECT_EQ(products[1].duration_months, 12);
  // A failed read leaves the list empty; a reply without items is a success with no products.
  handler = [](const lirra_test::Request&) { return HttpResponse{"500 Internal Server Error", "", "oops"}; };
  EXPECT_FALSE(client->internal_getProducts());
  EXPECT_TRUE(client->products().empty());
  handler = nullptr;
  replies["products_get"] = "{}";
  EXPECT_TRUE(client->internal_getProducts());
  EXPECT_TRUE(client->products().empty());
}

TEST_F(LirraClient, ExchangeFailuresGiveTheReasonAndNeverSucceed) {
  replies["products_get"] = kProducts;
  ASSERT_TRUE(client->internal_getProducts());
  std::string earlier;
  {
    const auto first = requests().at(0);
    earlier = service.reply(first, R"({"order_id":"1"})");
  }
  const unsigned char wrongKey[32] = {7};
  struct Case {
    const char* what;
    std::function<HttpResponse(const lirra_test::Request&)> handler;
    std::string message;
  } cases[] = {
      {"HTTP 500",
       [](const lirra_test::Request&) {
         return HttpResponse{"500 Internal Server Error", "", "{}"};
       },
       "server error (HTTP status 500)"},
      {"forged",
       [&](const lirra_test::Request& r) {
         return HttpResponse{"200 OK", "",
                             service.reply(r.method, r.requestId, r.timestamp, "{}", "", wrongKey)};
       },
       "Decryption failed"},
      {"replayed",
       [&](const lirra_test::Request&) {
         return HttpResponse{"200 OK", "", earlier};
       },
       "Reply does not answer the request"},
      {"not JSON",
       [](const lirra_test::Request&) {
         return HttpResponse{"200 OK", "", "<html>"};
       },
       "JSON parsing failed"},
      {"data not an object",
       [&](const lirra_test::Request& r) {
         return HttpResponse{"200 OK", "", service.reply(r, "[1]")};
       },
       "failed to parse server response data"},
      {"error with details",
       [&](const lirra_test::Request& r) {
         return HttpResponse{"200 OK", "", service.errorReply(r, "card declined", "insufficient funds", 402)};
       },
       "card declined (insufficient funds)"},
      {"error without details",
       [&](const lirra_test::Request& r) {
         return HttpResponse{"200 OK", "", service.errorReply(r, "card declined", "", 402)};
       },
       "card declined"},
      {"error without string",
       [&](const lirra_test::Request& r) {
         return HttpResponse{"200 OK", "", service.errorReply(r, "", "details only", 1)};
       },
       "unknown error"},
      {"error object not an object",
       [&](const lirra_test::Request& r) {
         std::string e = service.errorReply(r, "x", "", 1);
         e.replace(e.find("\"error\":{"), std::string::npos, "\"error\":7}");
         return HttpResponse{"200 OK", "", e};
       },
       "unknown error"},
      {"encrypted error member",
       [&](const lirra_test::Request& r) {
         return HttpResponse{"200 OK", "", service.reply(r, R"({"error":{"string":"inner"}})")};
       },
       "inner"},
      {"reply too large",
       [](const lirra_test::Request&) {
         return HttpResponse{"200 OK", "", std::string(2 << 20, ' ')};
       },
       "no Internet or server not responding"},
  };
  for (const Case& c : cases) {
    handler = c.handler;
    ZRString message;
    EXPECT_FALSE(client->internal_createSubscription(0, ZRLirraKaraoke::CCDetails{}, &message)) << c.what;
    EXPECT_EQ(message.utf8(), c.message) << c.what;
  }
}

TEST_F(LirraClient, TransportFailureLogsTheEndpointNeverTheRequest) {
  int port = 0;
  const int fd = orvel_test::listenOnLoopback(&port);
  ASSERT_GE(fd, 0);
  close(fd);  // nothing listens there now
  ZRLirraKaraoke::Setup setup;
  setup.endpoint = ZRString("http://127.0.0.1:" + std::to_string(port) + "/api");
  setup.clientVersion = "v1";
  setup.clientHash = "h1";
  ZRLirraKaraoke offline(setup);
  offline.setLoginState(3);
  orvel_test::LogCapture log;
  ZRString message;
  EXPECT_FALSE(offline.internal_cancelSubscription(5, true, &message));
  EXPECT_EQ(message, ZRString("no Internet or server not responding"));
  EXPECT_TRUE(
      log.contains("lirkar: error: getting data from 'http://127.0.0.1:" + std::to_string(port) + "/api'"))
      << log.joined();
  EXPECT_FALSE(log.contains("data=")) << log.joined();
  EXPECT_FALSE(log.contains("signature=")) << log.joined();
}

TEST_F(LirraClient, SubscriptionRequestsCarryTheirFields) {
  replies["products_get"] = kProducts;
  replies["subscription_create"] = R"({"order_id": 4711, "expiration": "2027-02-01"})";
  replies["subscription_activate"] = R"({"expiration": "2027-03-01"})";
  replies["account_get"] = kFullAccount;
  ASSERT_TRUE(client->internal_getProducts());
  orvel_test::LogCapture log;
  ZRLirraKaraoke::CCDetails card{"Ann Lee", "4111111111111111", "04", "2030", "123"};
  ZRString message = "x";
  ASSERT_TRUE(client->internal_createSubscription(1, card, &message));
  EXPECT_TRUE(message.empty());
  EXPECT_EQ(
      requests().back().json,
      R"({"product_id":"13","card":{"name":"Ann Lee","number":"4111111111111111","month":"04","year":"2030","cvc":"123"}})");
  EXPECT_TRUE(
      log.contains("lirkar: subscription created OK (orderId='4711 (int)', expDateTime='2027-02-01')"))
      << log.joined();
  EXPECT_FALSE(log.contains("4111")) << log.joined();

  for (int index : {-1, 2}) {
    const size_t before = requests().size();
    EXPECT_FALSE(client->internal_createSubscription(index, card, &message));
    EXPECT_EQ(message, ZRString("invalid subscription product"));
    EXPECT_EQ(requests().size(), before);
  }
  EXPECT_TRUE(log.contains("lirkar: error: invalid product index 2 of a total of 2"));

  ASSERT_TRUE(client->internal_cancelSubscription(901, true, &message));
  EXPECT_EQ(requests().back().json, R"({"order_id":"901","flags":"expire_now"})");
  ASSERT_TRUE(client->internal_cancelSubscription(901, false, &message));
  EXPECT_EQ(requests().back().json, R"({"order_id":"901"})");
  ASSERT_TRUE(client->internal_activateSubscription(901, &message));
  // Activation refreshes the stored account.
  EXPECT_EQ(methods().back(), "account_get");
  EXPECT_EQ(client->storedAccount().email, ZRString("dj@example.com"));
  EXPECT_TRUE(log.contains("lirkar: subscription activated OK (expiration=2027-03-01)"));

  // An order id that was never filled in is not sent.
  const size_t before = requests().size();
  EXPECT_FALSE(client->internal_cancelSubscription(-1, false, &message));
  EXPECT_EQ(message, ZRString("no subscription order to act on"));
  EXPECT_FALSE(client->internal_activateSubscription(-1, &message));
  EXPECT_EQ(requests().size(), before);
}

TEST_F(LirraClient, RequestsInAnOpenSessionCarryTheToken) {
  // Whatever logs in opens the session through the framing context; the client then uses it.
  m_message_context* context = client->framingContext();
  char* url = nullptr;
  ASSERT_EQ(m_message_encode(context, M_MSG_SESSION_OPEN, nullptr, &url, nullptr), 0);
  lirra_test::Request open = service.open(url);
  free(url);
  char* text = nullptr;
  ASSERT_EQ(
      m_message_decode(context, service.openSession(open, "sessTok_1").c_str(), &text, nullptr, nullptr), 0);
  free(text);
  replies["products_get"] = kProducts;
  ASSERT_TRUE(client->internal_getProducts());
  EXPECT_TRUE(requests().back().ok);
  EXPECT_EQ(requests().back().query["session_token"], "sessTok_1");
  EXPECT_EQ(client->products().size(), 2u);
}

// Drains queue on this thread until done or the bound passes.
template <typename Done>
bool drainUntil(ZRDispatchQueueBase& queue, Done done,
                std::chrono::seconds bound = std::chrono::seconds(20)) {
  const auto end = Clock::now() + bound;
  while (!done() && Clock::now() < end) {
    queue.execute();
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  queue.execute();
  return done();
}

TEST_F(LirraClient, TasksReportOnTheReplyQueueAfterTheirRefreshes) {
  replies["products_get"] = kProducts;
  replies["account_get"] = kFullAccount;
  ASSERT_TRUE(client->internal_getProducts());
  ZRDispatchQueueSimple replyQueue("test-replies");
  struct Report {
    bool called = false;
    bool ok = false;
    ZRString message;
    std::thread::id thread;
    std::vector<std::string> methodsSeen;
  };
  auto report = std::make_shared<Report>();
  client->createSubscription(
      0, ZRLirraKaraoke::CCDetails{"A", "4111", "01", "2030", "999"},
      [this, report](int a, double b, bool ok, ZRString message) {
        EXPECT_EQ(a, 0);
        EXPECT_EQ(b, 0.0);
        report->called = true;
        report->ok = ok;
        report->message = message;
        report->thread = std::this_thread::get_id();
        report->methodsSeen = methods();
        return false;
      },
      &replyQueue);
  ASSERT_TRUE(drainUntil(replyQueue, [&] { return report->called; }));
  EXPECT_TRUE(report->ok);
  EXPECT_TRUE(report->message.empty());
  EXPECT_EQ(report->thread, std::this_thread::get_id());
  // Created, then the product list and the stored account refreshed, all before the report.
  const std::vector<std::string> expected = {"products_get", "subscription_create", "products_get",
                                             "account_get"};
  EXPECT_EQ(report->methodsSeen, expected);

  // A failure reports its reason; without a named queue the report comes through "main", not the worker.
  auto failed = std::make_shared<Report>();
  client->cancelSubscription(
      -1, false,
      [failed](int, double, bool ok, ZRString message) {
        failed->called = true;
        failed->ok = ok;
        failed->message = message;
        failed->thread = std::this_thread::get_id();
        return false;
      },
      nullptr);
  ASSERT_TRUE(drainUntil(ZRGlobalTaskDispatch::getInstance()->mainQueue, [&] { return failed->called; }));
  EXPECT_FALSE(failed->ok);
  EXPECT_EQ(failed->message, ZRString("no subscription order to act on"));
  EXPECT_EQ(failed->thread, std::this_thread::get_id());
}

TEST_F(LirraClient, DestroyingTheClientEndsAStalledRequest) {
  orvel_test::StallingHttpServer stalled;
  ZRLirraKaraoke::Setup setup;
  setup.endpoint = ZRString(stalled.url("/api"));
  setup.clientVersion = "v1";
  setup.clientHash = "h1";
  auto stuck = std::make_unique<ZRLirraKaraoke>(setup);
  stuck->setLoginState(3);
  stuck->activateSubscription(5, nullptr, nullptr);
  std::this_thread::sleep_for(std::chrono::milliseconds(300));  // the task is waiting on the server
  const auto start = Clock::now();
  stuck.reset();
  EXPECT_LT(Clock::now() - start, std::chrono::seconds(5));
}

TEST(LirraClientSetup, RefusedSetupFailsEveryOperation) {
  ZRLirraKaraoke::Setup setup;
  setup.endpoint = "http://catalogue.example/api";  // plain http off this machine
  setup.clientVersion = "v1";
  setup.clientHash = "h1";
  ZRLirraKaraoke client(setup);
  EXPECT_FALSE(client.isReady());
  client.setLoginState(3);
  ZRString message;
  EXPECT_FALSE(client.internal_cancelSubscription(1, false, &message));
  EXPECT_EQ(message, ZRString("not connected to the server"));
  EXPECT_EQ(lirra1, nullptr);  // the program never creates a client

  ZRLirraKaraoke::CCDetails card{"A", "4111", "01", "2030", "999"};
  card.wipe();
  EXPECT_TRUE(card.number.empty() && card.cvc.empty() && card.name.empty());
}

}  // namespace
