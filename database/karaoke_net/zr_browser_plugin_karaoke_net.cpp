#include "database/karaoke_net/zr_browser_plugin_karaoke_net.h"

#include <atomic>

#include "common/zr_desktop.h"
#include "common/zr_https_url.h"
#include "common/zr_logging.h"
#include "karaoke_net/zr_karaoke_net.h"

namespace {

std::atomic<ZRBrowserPluginKaraokeNet::BrowserOpener> browserOpener{nullptr};

}  // namespace

void ZRBrowserPluginKaraokeNet::setBrowserOpener(BrowserOpener opener) {
  browserOpener = opener;
}

void ZRBrowserPluginKaraokeNet::internal_showSubscriptionsWindow_addSub(wxWindow*) {
  if (karnet1 != nullptr) ZRLOGLOC("song shop: %s not available yet", __func__);
}

void ZRBrowserPluginKaraokeNet::internal_showSubscriptionsWindow_cancelSub(wxWindow*) {
  if (karnet1 != nullptr) ZRLOGLOC("song shop: %s not available yet", __func__);
}

void ZRBrowserPluginKaraokeNet::internal_showSubscriptionsWindow_renewSub(wxWindow*) {
  if (karnet1 != nullptr) ZRLOGLOC("song shop: %s not available yet", __func__);
}

void ZRBrowserPluginKaraokeNet::internal_openPasswordChangeForgetLink(wxWindow*) {
  if (karnet1 == nullptr) return;
  const ZRString url = karnet1->getURLForgetPassword();
  if (!isHttpsUrl(url.utf8())) {
    ZRLOG("error: song shop password page is not an https address; not opened");
    return;
  }
  const BrowserOpener opener = browserOpener.load();
  (opener != nullptr ? opener : &openUrlInDefaultBrowser)(url);
}
