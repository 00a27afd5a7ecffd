#pragma once
// ZRBrowserPluginLirraKaraoke: the karaoke catalogue's subscription windows. In a subscriptions window
// (a ZRLirraDialog whose layout is its creator's) the user subscribes to a product with a payment card,
// cancels or reactivates the current subscription, opens the service's page for a forgotten password and
// picks a country and a state or province. Every operation goes through the client lirra1 and does
// nothing while it is null; the program creates neither a client nor this object, so these windows never
// open in the running program.
//
// The card details typed last are kept between card-details dialogs; the number and the code are wiped
// as soon as a subscription request has taken its own copy, and everything is wiped on Cancel and after
// a successful subscription. orderId (-1 until its owner learns the current subscription's order) is what
// cancelling and reactivating act on; with -1 they send nothing.
//
// Threads: main thread only. The client's reports arrive on the dispatcher's "main" queue, which the
// open ZRLirraDialog's timer runs.

#include <functional>

#include "common/zr_string.h"
#include "lirra/zr_lirra_karaoke.h"

class wxWindow;

class ZRBrowserPluginLirraKaraoke {
 public:
  ZRBrowserPluginLirraKaraoke() = default;
  ~ZRBrowserPluginLirraKaraoke();
  ZRBrowserPluginLirraKaraoke(const ZRBrowserPluginLirraKaraoke&) = delete;
  ZRBrowserPluginLirraKaraoke& operator=(const ZRBrowserPluginLirraKaraoke&) = delete;

  // The subscription actions of the subscriptions window whose list boxes they read.
  void internal_showSubscriptionsWindow_addSub(wxWindow* window);
  void internal_showSubscriptionsWindow_cancelSub(wxWindow* window);
  void internal_showSubscriptionsWindow_renewSub(wxWindow* window);
  // Opens the service's page for a forgotten password (an https address only).
  void internal_openPasswordChangeForgetLink(wxWindow* window);
  // Refills the window's state choice for the country at countryIndex (a row of the country table),
  // selecting state (a code or a name; null: nothing selected).
  void internal_updateStatesChoice(wxWindow* window, int countryIndex, const ZRString* state);
  void clearCCDetails();

  ZRLirraKaraoke::CCDetails ccDetails;
  int orderId = -1;

  // How web pages are opened (the desktop's browser; tests put their own in). Null restores the browser.
  using UrlOpener = std::function<bool(const ZRString&)>;
  static void setUrlOpener(UrlOpener opener);

 private:
  // Cancel (activate false) or reactivate the subscription in the window's first row, once confirmed.
  void actOnSubscription(wxWindow* window, bool activate);
};

// The years the card-details dialog offers: this year and the ten after it.
int lirraFirstCardYear();
inline constexpr int kLirraCardYears = 11;
