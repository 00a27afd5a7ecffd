#pragma once
// ZRBrowserPluginKaraokeNet: the song shop's browser plug-in, as far as this system has one - the four
// actions of the shop's subscriptions window (ZRKaraokeNetDialog). Adding, cancelling and renewing a
// subscription are not available for this shop: each logs so (with its place and name) while a shop
// client (karnet1) exists, and does nothing without one. The forgotten-password action opens the
// client's password page in the user's browser - an https page only (common/zr_https_url.h).
// Nothing in the program creates the plug-in.
//
// Threads: main thread.

#include "common/zr_string.h"

class wxWindow;

class ZRBrowserPluginKaraokeNet {
 public:
  // What opens a page in the user's browser (openUrlInDefaultBrowser unless a test replaces it).
  using BrowserOpener = bool (*)(const ZRString& url);

  void internal_showSubscriptionsWindow_addSub(wxWindow* window);
  void internal_showSubscriptionsWindow_cancelSub(wxWindow* window);
  void internal_showSubscriptionsWindow_renewSub(wxWindow* window);
  void internal_openPasswordChangeForgetLink(wxWindow* window);

  // Null restores the default opener.
  static void setBrowserOpener(BrowserOpener opener);
};
