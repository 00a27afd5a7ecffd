#include "lirra/zr_lirra_karaoke.h"

#include <sodium.h>

#include <climits>
#include <string>

#include "common/zr_cjson.h"
#include "common/zr_curl.h"
#include "common/zr_dispatch_queue_thread_pool.h"
#include "common/zr_global_task_dispatch.h"
#include "common/zr_logging.h"
#include "lirra/zr_lirra_karaoke_exchange.h"

ZRLirraKaraoke* lirra1 = nullptr;

namespace {

void wipeText(ZRString& text) {
  // The memory of the card's number and code is overwritten, not merely released.
  auto& units = const_cast<std::u16string&>(text.utf16());
  sodium_memzero(units.data(), units.size() * sizeof(char16_t));
  text = ZRString();
}

void wipeBytes(std::string& bytes) {
  sodium_memzero(bytes.data(), bytes.size());
  bytes.clear();
}

// Card texts go out as typed, in UTF-8; one that does not fit 4096 bytes with its terminator is sent
// empty.
void addCardText(cJSON* card, const char* name, const ZRString& value) {
  std::string utf8 = value.utf8();
  cJSON_AddStringToObject(card, name, utf8.size() < 4096 ? utf8.c_str() : "");
  wipeBytes(utf8);
}

ZRString text(const cJSON* object, const char* name) {
  std::string out;
  return cjsonText(object, name, out) ? ZRString(out) : ZRString();
}

// A whole number that fits an int, else fallback.
int integer(const cJSON* object, const char* name, int fallback) {
  int64_t value = 0;
  if (!cjsonInt64(object, name, value) || value < INT_MIN || value > INT_MAX) return fallback;
  return static_cast<int>(value);
}

const cJSON* objectMember(const cJSON* object, const char* name) {
  const cJSON* member = cjsonMember(object, name);
  return cJSON_IsObject(member) ? member : nullptr;
}

}  // namespace

void ZRLirraKaraoke::CCDetails::wipe() {
  for (ZRString* t : {&name, &number, &month, &year, &cvc}) wipeText(*t);
}

void ZRLirraKaraoke::CCDetails::wipeSecrets() {
  wipeText(number);
  wipeText(cvc);
}

ZRLirraKaraoke::ZRLirraKaraoke(const Setup& setup)
    : http_(std::make_unique<ZRCurl>()), forgotPasswordUrl_(setup.forgotPasswordUrl) {
  const std::string version = setup.clientVersion.utf8();
  const std::string hash = setup.clientHash.utf8();
  const std::string endpoint = setup.endpoint.utf8();
  if (m_crypto_session_init(&session_, version.c_str(), hash.c_str(), setup.preSessionKey, setup.clientSecret,
                            setup.serverSigningKey) != 0) {
    ZRLOG("lirkar: error: client version or hash refused");
  } else if (!m_message_context_init(&context_, &session_, endpoint.c_str())) {
    ZRLOG("lirkar: error: endpoint refused: '%s'", endpoint.c_str());
  } else {
    ready_ = true;
  }
  workQueue_ = std::make_unique<ZRDispatchQueueThreadPool>(1, 1, 1, "lirkar");
}

ZRLirraKaraoke::~ZRLirraKaraoke() {
  abort_.store(true);
  // Finishes the task being run (its transfer ends within about a second) and drops the rest.
  workQueue_.reset();
  m_crypto_session_free(&session_);
}

void ZRLirraKaraoke::setStoredAccount(const AccountDetails& account) {
  std::lock_guard<std::mutex> lock(stateMutex_);
  account_ = account;
}

ZRLirraKaraoke::AccountDetails ZRLirraKaraoke::storedAccount() const {
  std::lock_guard<std::mutex> lock(stateMutex_);
  return account_;
}

std::vector<ZRLirraKaraoke::Product> ZRLirraKaraoke::products() const {
  std::lock_guard<std::mutex> lock(stateMutex_);
  return products_;
}

bool ZRLirraKaraoke::loggedIn(ZRString* message) const {
  const int state = loginState_.load();
  if (state == 3 || state == 4) return true;
  ZRLOG("lirkar: error: we are not logged-in");
  if (message != nullptr) *message = "not connected to the server";
  return false;
}

bool ZRLirraKaraoke::exchange(int method, const cJSON* request, cJSON** reply, ZRString* message) {
  if (!ready_) {
    ZRLOG("lirkar: error: client is not set up");
    if (message != nullptr) *message = "not connected to the server";
    return false;
  }
  return sendLirraKaraokeMessage(http_.get(), &context_, method, request, reply, message, false, &abort_);
}

bool ZRLirraKaraoke::parseJSONForAccountDetails(const cJSON* reply, AccountDetails& out) {
  const cJSON* account = objectMember(reply, "account");
  const cJSON* subscription = objectMember(account, "subscription");
  const cJSON* timeInfo = objectMember(reply, "time_info");
  int64_t accountId = 0;
  if (account == nullptr || subscription == nullptr || timeInfo == nullptr ||
      !cjsonInt64(account, "account_id", accountId) || accountId < INT_MIN || accountId > INT_MAX)
    return false;
  AccountDetails a;
  a.email = text(account, "email");
  a.officeName = text(account, "office_name");
  a.firstName = text(account, "firstname");
  a.lastName = text(account, "lastname");
  a.language = text(account, "language");
  a.countryCode = text(account, "country_code");
  a.stateOrProvinceCode = text(account, "state_or_province_code");
  a.address = text(account, "address");
  a.zip = text(account, "zip");
  a.city = text(account, "city");
  a.phone = text(account, "phone");
  if (const cJSON* company = objectMember(account, "company")) {
    a.companyName = text(company, "name");
    a.businessId = text(company, "business_id");
    a.vatNumber = text(company, "vat_number");
    a.companyId = integer(company, "id", -1);
  }
  a.freePeriod = integer(subscription, "free_period", 0);
  a.notValidAfter = text(subscription, "not_valid_after");
  a.notValidBefore = text(subscription, "not_valid_before");
  if (const cJSON* license = objectMember(subscription, "license")) {
    a.licenseId = integer(license, "id", -1);
    a.licenseName = text(license, "name");
    a.licenseType = text(license, "type");
  }
  if (const cJSON* order = objectMember(subscription, "order_info")) {
    a.failedRecurringAttempts = integer(order, "failed_recurring_attempts", 0);
    a.orderId = integer(order, "id", -1);
    a.paymentProviderId = integer(order, "payment_provider_id", -1);
    a.paymentProviderName = text(order, "payment_provider_name");
    a.paymentTypeId = integer(order, "payment_type_id", -1);
    a.paymentTypeName = text(order, "payment_type_name");
    a.productId = integer(order, "product_id", -1);
    a.productName = text(order, "product_name");
    a.productPrice = text(order, "product_price");
    a.recurringStatus = text(order, "recurring_status");
  }
  a.country = text(account, "country");
  a.stateOrProvince = text(account, "state_or_province");
  a.accountId = static_cast<int>(accountId);
  a.timeDiff = integer(timeInfo, "time_diff", 0);
  out = a;
  return true;
}

bool ZRLirraKaraoke::internal_getAccountDetails(AccountDetails& out, bool refresh, bool store) {
  const int state = loginState_.load();
  if (!refresh) {
    if (state != 1 && !loggedIn(nullptr)) return false;
    out = storedAccount();
    return true;
  }
  if (!loggedIn(nullptr)) return false;
  ZRCJson request(cJSON_CreateObject());
  cJSON_AddStringToObject(request.get(), "get", "get");
  cJSON_AddStringToObject(request.get(), "account_id", std::to_string(storedAccount().accountId).c_str());
  cJSON* replyRoot = nullptr;
  if (!exchange(M_MSG_ACCOUNT_GET, request.get(), &replyRoot, nullptr)) return false;
  ZRCJson reply(replyRoot);
  AccountDetails parsed;
  if (!parseJSONForAccountDetails(reply.get(), parsed)) {
    // An incomplete reply changes nothing: the stored account keeps its ids.
    ZRLOG("lirkar: error: parsing account data");
    return false;
  }
  out = parsed;
  if (store) setStoredAccount(parsed);
  ZRLOG("lirkar: account get details OK");
  return true;
}

bool ZRLirraKaraoke::internal_getProducts() {
  if (!loggedIn(nullptr)) return false;
  {
    std::lock_guard<std::mutex> lock(stateMutex_);
    products_.clear();
  }
  ZRCJson request(cJSON_CreateObject());
  cJSON_AddStringToObject(request.get(), "getProducts", "getProducts");
  cJSON* replyRoot = nullptr;
  if (!exchange(M_MSG_PRODUCTS_GET, request.get(), &replyRoot, nullptr)) return false;
  ZRCJson reply(replyRoot);
  const cJSON* items = cjsonMember(reply.get(), "items");
  if (!cJSON_IsArray(items)) return true;
  const int count = cJSON_GetArraySize(items);
  ZRLOG("lirkar: %d products available:", count);
  std::vector<Product> list;
  int position = 0;
  for (const cJSON* item = items->child; item != nullptr; item = item->next) {
    ++position;
    // A product without a whole-number id cannot be bought: it is left out.
    int64_t id = 0;
    if (!cJSON_IsObject(item) || !cjsonInt64(item, "id", id) || id < INT_MIN || id > INT_MAX) continue;
    Product p;
    p.id = static_cast<int>(id);
    p.name = text(item, "name");
    p.description = text(item, "description");
    p.price = text(item, "price");
    p.duration_months = integer(item, "duration_months", 0);
    p.duration_days = integer(item, "duration_days", 0);
    p.free_months = integer(item, "free_months", 0);
    p.free_days = integer(item, "free_days", 0);
    ZRLOG(
        "lirkar: product %d/%d: id=%d, name='%s', desc='%s', price='%s', durationMonths=%d, durationDays=%d, "
        "freeMonths=%d, freeDays=%d",
        position, count, p.id, p.name, p.description, p.price, p.duration_months, p.duration_days,
        p.free_months, p.free_days);
    list.push_back(p);
  }
  std::lock_guard<std::mutex> lock(stateMutex_);
  products_ = std::move(list);
  return true;
}

bool ZRLirraKaraoke::internal_createSubscription(int productIndex, const CCDetails& card, ZRString* message) {
  if (!loggedIn(message)) return false;
  Product product;
  {
    std::lock_guard<std::mutex> lock(stateMutex_);
    if (productIndex < 0 || static_cast<size_t>(productIndex) >= products_.size()) {
      ZRLOG("lirkar: error: invalid product index %d of a total of %u", productIndex,
            static_cast<unsigned>(products_.size()));
      if (message != nullptr) *message = "invalid subscription product";
      return false;
    }
    product = products_[static_cast<size_t>(productIndex)];
  }
  ZRCJson request(cJSON_CreateObject());
  cJSON_AddStringToObject(request.get(), "product_id", std::to_string(product.id).c_str());
  cJSON* cardObject = cJSON_AddObjectToObject(request.get(), "card");
  addCardText(cardObject, "name", card.name);
  addCardText(cardObject, "number", card.number);
  addCardText(cardObject, "month", card.month);
  addCardText(cardObject, "year", card.year);
  addCardText(cardObject, "cvc", card.cvc);
  cJSON* replyRoot = nullptr;
  const bool ok = exchange(M_MSG_SUBSCRIPTION_CREATE, request.get(), &replyRoot, message);
  wipeJsonTexts(request.get());
  ZRCJson reply(replyRoot);
  if (!ok) return false;
  std::string orderId = "none";
  std::string expiration = "none";
  int64_t number = 0;
  if (!cjsonText(reply.get(), "order_id", orderId)) {
    orderId = cjsonInt64(reply.get(), "order_id", number) ? std::to_string(number) + " (int)" : "none";
  }
  cjsonText(reply.get(), "expiration", expiration);
  ZRLOG("lirkar: subscription created OK (orderId='%s', expDateTime='%s')", orderId.c_str(),
        expiration.c_str());
  return true;
}

namespace {

bool validOrder(int orderId, ZRString* message) {
  if (orderId >= 0) return true;
  // The window's order id is -1 until a subscription is known: nothing to act on.
  ZRLOG("lirkar: error: invalid order id %d", orderId);
  if (message != nullptr) *message = "no subscription order to act on";
  return false;
}

}  // namespace

bool ZRLirraKaraoke::internal_cancelSubscription(int orderId, bool expireNow, ZRString* message) {
  if (!loggedIn(message) || !validOrder(orderId, message)) return false;
  ZRCJson request(cJSON_CreateObject());
  cJSON_AddStringToObject(request.get(), "order_id", std::to_string(orderId).c_str());
  if (expireNow) cJSON_AddStringToObject(request.get(), "flags", "expire_now");
  if (!exchange(M_MSG_SUBSCRIPTION_CANCEL, request.get(), nullptr, message)) return false;
  ZRLOG("lirkar: subscription cancelled OK");
  return true;
}

bool ZRLirraKaraoke::internal_activateSubscription(int orderId, ZRString* message) {
  if (!loggedIn(message) || !validOrder(orderId, message)) return false;
  ZRCJson request(cJSON_CreateObject());
  cJSON_AddStringToObject(request.get(), "order_id", std::to_string(orderId).c_str());
  cJSON* replyRoot = nullptr;
  if (!exchange(M_MSG_SUBSCRIPTION_ACTIVATE, request.get(), &replyRoot, message)) return false;
  ZRCJson reply(replyRoot);
  std::string expiration = "none";
  cjsonText(reply.get(), "expiration", expiration);
  AccountDetails refreshed;
  internal_getAccountDetails(refreshed, true, true);
  ZRLOG("lirkar: subscription activated OK (expiration=%s)", expiration.c_str());
  return true;
}

void ZRLirraKaraoke::post(std::function<bool(ZRString&)> work, Callback callback,
                          ZRDispatchQueueBase* replyQueue) {
  ZRGlobalTaskDispatch* dispatch = ZRGlobalTaskDispatch::getInstance();
  // Results are for windows: without a named queue they go to "main", never run on the work thread.
  ZRDispatchQueueBase* reply = replyQueue != nullptr ? replyQueue : &dispatch->mainQueue;
  const bool posted = dispatch->async(
      [work = std::move(work), callback = std::move(callback), reply, dispatch]() {
        ZRString message;
        const bool ok = work(message);
        if (callback) {
          dispatch->async(
              [callback, ok, message]() {
                callback(0, 0.0, ok, message);
                return true;
              },
              reply);
        }
        return true;
      },
      workQueue_.get());
  if (!posted) ZRLOG("lirkar: error: the task dispatcher has stopped, request dropped");
}

namespace {

// The task's own copy of the card, overwritten when the task is done with it or dropped unrun.
struct CardCopy {
  ZRLirraKaraoke::CCDetails card;
  ~CardCopy() { card.wipe(); }
};

}  // namespace

void ZRLirraKaraoke::createSubscription(int productIndex, const CCDetails& card, Callback callback,
                                        ZRDispatchQueueBase* replyQueue) {
  auto copy = std::make_shared<CardCopy>();
  copy->card = card;
  post(
      [this, productIndex, copy](ZRString& message) {
        const bool ok = internal_createSubscription(productIndex, copy->card, &message);
        copy->card.wipe();
        if (ok) {
          internal_getProducts();
          AccountDetails refreshed;
          internal_getAccountDetails(refreshed, true, true);
        }
        return ok;
      },
      std::move(callback), replyQueue);
}

void ZRLirraKaraoke::cancelSubscription(int orderId, bool expireNow, Callback callback,
                                        ZRDispatchQueueBase* replyQueue) {
  post([this, orderId,
        expireNow](ZRString& message) { return internal_cancelSubscription(orderId, expireNow, &message); },
       std::move(callback), replyQueue);
}

void ZRLirraKaraoke::activateSubscription(int orderId, Callback callback, ZRDispatchQueueBase* replyQueue) {
  post([this, orderId](ZRString& message) { return internal_activateSubscription(orderId, &message); },
       std::move(callback), replyQueue);
}
