#pragma once
// ZRLirraKaraoke: the client of the online karaoke catalogue service. It holds the HTTP client, the
// framing context and session, the login state, the user's stored account and the service's
// subscription products, reads the account and the products, and creates, cancels and activates
// subscriptions.
//
// The program never creates a client (the global lirra1 stays null); tests and whatever code one day
// logs a user in do. Logging in is not part of this client: the login state and the account id are set
// from outside (setLoginState, setStoredAccount). Log lines begin with "lirkar: ".
//
// Threads: the internal_* operations block on the network and belong to the client's own work queue (one
// worker, so they run one at a time); createSubscription, cancelSubscription and activateSubscription post
// them there from any thread and report on the reply queue the caller names (the dispatcher's "main" queue
// when none is named, never the work thread). A test may call internal_* directly while no task runs.
// The accessors copy under a lock and may be called from any thread. The destructor ends a transfer in
// progress within about a second and drops tasks that have not started.

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

#include "common/zr_string.h"
#include "lirra/lirra_crypto.h"
#include "lirra/lirra_message.h"

class ZRCurl;
class ZRDispatchQueueBase;
class ZRDispatchQueueThreadPool;
typedef struct cJSON cJSON;

class ZRLirraKaraoke {
 public:
  struct Product {
    int id = 0;
    int duration_months = 0;
    int duration_days = 0;
    int free_months = 0;
    int free_days = 0;
    ZRString name;
    ZRString description;
    ZRString price;  // the service's text, not a number
  };

  // Card details as typed. wipe() overwrites the texts' memory before emptying them; wipeSecrets() does so
  // for the number and the code only.
  struct CCDetails {
    ZRString name;
    ZRString number;
    ZRString month;
    ZRString year;
    ZRString cvc;
    void wipe();
    void wipeSecrets();
  };

  struct AccountDetails {
    ZRString email;
    ZRString cleared;  // emptied by every parse, filled by nothing
    ZRString officeName;
    ZRString firstName;
    ZRString lastName;
    ZRString language;
    ZRString countryCode;
    ZRString stateOrProvinceCode;
    ZRString address;
    ZRString zip;
    ZRString city;
    ZRString phone;
    ZRString companyName;
    ZRString businessId;
    ZRString vatNumber;
    ZRString country;
    ZRString stateOrProvince;
    int accountId = -1;
    int companyId = -1;
    int timeDiff = 0;
    int freePeriod = 0;
    ZRString notValidAfter;
    ZRString notValidBefore;
    int licenseId = -1;
    ZRString licenseName;
    ZRString licenseType;
    int failedRecurringAttempts = 0;
    int orderId = -1;
    int paymentProviderId = -1;
    ZRString paymentProviderName;
    int paymentTypeId = -1;
    ZRString paymentTypeName;
    int productId = -1;
    ZRString productName;
    ZRString productPrice;
    ZRString recurringStatus;
  };

  // (0, 0.0, success, message): message is "" on success, else the reason. The result is ignored.
  using Callback = std::function<bool(int, double, bool, ZRString)>;

  // What whoever sets a client up supplies; nothing in the program stores or builds these.
  struct Setup {
    ZRString endpoint;  // the service's https address (http only to this machine, for tests)
    ZRString clientVersion;
    ZRString clientHash;
    unsigned char preSessionKey[kMKeyBytes] = {};
    unsigned char clientSecret[kMKeyBytes] = {};
    unsigned char serverSigningKey[kMKeyBytes] = {};
    ZRString forgotPasswordUrl;  // the service's page for a forgotten password
  };

  explicit ZRLirraKaraoke(const Setup& setup);
  ~ZRLirraKaraoke();
  ZRLirraKaraoke(const ZRLirraKaraoke&) = delete;
  ZRLirraKaraoke& operator=(const ZRLirraKaraoke&) = delete;

  // False when the setup was refused (endpoint or client texts; logged): every operation then fails.
  bool isReady() const { return ready_; }

  // 3 and 4: logged in; 1: the stored account may be read without a refresh.
  void setLoginState(int state) { loginState_.store(state); }
  int loginState() const { return loginState_.load(); }
  void setStoredAccount(const AccountDetails& account);
  AccountDetails storedAccount() const;
  std::vector<Product> products() const;
  // The framing context and session, for the code that opens a session.
  m_message_context* framingContext() { return &context_; }

  ZRString getURLForgetPassword() const { return forgotPasswordUrl_; }

  // The subscription operations as tasks on the work queue (see Threads above).
  void createSubscription(int productIndex, const CCDetails& card, Callback callback,
                          ZRDispatchQueueBase* replyQueue);
  void cancelSubscription(int orderId, bool expireNow, Callback callback, ZRDispatchQueueBase* replyQueue);
  void activateSubscription(int orderId, Callback callback, ZRDispatchQueueBase* replyQueue);

  // The synchronous operations the tasks run.
  bool internal_getAccountDetails(AccountDetails& out, bool refresh, bool store);
  bool internal_getProducts();
  bool internal_createSubscription(int productIndex, const CCDetails& card, ZRString* message);
  bool internal_cancelSubscription(int orderId, bool expireNow, ZRString* message);
  bool internal_activateSubscription(int orderId, ZRString* message);

  // Reads an account reply into out only when the reply is complete ("account" with "account_id",
  // "subscription" and a top-level "time_info"); otherwise false and out untouched.
  static bool parseJSONForAccountDetails(const cJSON* reply, AccountDetails& out);

 private:
  bool loggedIn(ZRString* message) const;
  bool exchange(int method, const cJSON* request, cJSON** reply, ZRString* message);
  void post(std::function<bool(ZRString&)> work, Callback callback, ZRDispatchQueueBase* replyQueue);

  bool ready_ = false;
  std::unique_ptr<ZRCurl> http_;
  m_crypto_session session_;
  m_message_context context_;
  std::atomic<int> loginState_{0};
  mutable std::mutex stateMutex_;  // guards account_ and products_ for the accessors
  AccountDetails account_;
  std::vector<Product> products_;
  ZRString forgotPasswordUrl_;
  std::atomic<bool> abort_{false};
  std::unique_ptr<ZRDispatchQueueThreadPool> workQueue_;
};

// The client the catalogue's windows reach; the program never sets it (it stays null).
extern ZRLirraKaraoke* lirra1;
