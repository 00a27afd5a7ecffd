#include "app/zr_browser_plugin_lirra_karaoke.h"

#include <wx/choice.h>
#include <wx/listbox.h>
#include <wx/textctrl.h>

#include <ctime>

#include "app/lirra_wdr.h"
#include "app/zr_lirra_dialog.h"
#include "common/zr_desktop.h"
#include "common/zr_global_task_dispatch.h"
#include "common/zr_https_url.h"
#include "common/zr_logging.h"
#include "gui/zr_message_dialogs.h"
#include "lirra/zr_lirra_karaoke_countries.h"

namespace {

ZRBrowserPluginLirraKaraoke::UrlOpener& urlOpener() {
  static ZRBrowserPluginLirraKaraoke::UrlOpener opener;
  return opener;
}

template <typename T>
T* findIn(wxWindow* window, int id) {
  return window != nullptr ? dynamic_cast<T*>(window->FindWindow(id)) : nullptr;
}

wxString wx(const ZRString& text) {
  return wxString::FromUTF8(text.utf8());
}
ZRString zr(const wxString& text) {
  return ZRString(std::string(text.utf8_str()));
}

ZRString selectedText(wxChoice* choice) {
  const int selection = choice->GetSelection();
  return selection == wxNOT_FOUND ? ZRString() : zr(choice->GetString(static_cast<unsigned>(selection)));
}

void selectText(wxChoice* choice, const ZRString& text) {
  choice->SetSelection(text.empty() ? wxNOT_FOUND : choice->FindString(wx(text), true));
}

// Shows a report of the client's (on the "main" queue) and tells the queue the task is done.
ZRLirraKaraoke::Callback report(const char* successText, std::function<void()> onSuccess = nullptr) {
  return [successText, onSuccess](int, double, bool ok, ZRString message) {
    if (ok && onSuccess) onSuccess();
    showMessageDialog(ok ? ZRString(successText) : message, ZRString(), nullptr);
    return false;
  };
}

}  // namespace

int lirraFirstCardYear() {
  const time_t now = time(nullptr);
  struct tm local {};
  localtime_r(&now, &local);
  return local.tm_year + 1900;
}

ZRBrowserPluginLirraKaraoke::~ZRBrowserPluginLirraKaraoke() {
  ccDetails.wipe();
}

void ZRBrowserPluginLirraKaraoke::setUrlOpener(UrlOpener opener) {
  urlOpener() = std::move(opener);
}

void ZRBrowserPluginLirraKaraoke::clearCCDetails() {
  ccDetails.wipe();
}

void ZRBrowserPluginLirraKaraoke::internal_showSubscriptionsWindow_addSub(wxWindow* window) {
  // Save with incomplete details shows the dialog again with what was typed.
  for (;;) {
    auto* products = findIn<wxListBox>(window, ID_LIRRA_PRODUCTS);
    if (lirra1 == nullptr || products == nullptr || products->GetSelection() == wxNOT_FOUND) return;
    const int productIndex = products->GetSelection();

    ZRLirraDialog dialog(this, window, wxID_ANY, "Credit card details", wxDefaultPosition, wxDefaultSize,
                         wxDEFAULT_DIALOG_STYLE, "-");
    LirraCCDialogFunc(&dialog, true, true);
    auto* name = findIn<wxTextCtrl>(&dialog, ID_LIRRA_CARD_NAME);
    auto* number = findIn<wxTextCtrl>(&dialog, ID_LIRRA_CARD_NUMBER);
    auto* cvc = findIn<wxTextCtrl>(&dialog, ID_LIRRA_CARD_CVC);
    auto* month = findIn<wxChoice>(&dialog, ID_LIRRA_CARD_MONTH);
    auto* year = findIn<wxChoice>(&dialog, ID_LIRRA_CARD_YEAR);
    name->ChangeValue(wx(ccDetails.name));
    number->ChangeValue(wx(ccDetails.number));
    cvc->ChangeValue(wx(ccDetails.cvc));
    year->Clear();
    const int firstYear = lirraFirstCardYear();
    for (int y = firstYear; y < firstYear + kLirraCardYears; ++y) year->Append(wxString::Format("%d", y));
    selectText(year, ccDetails.year);
    selectText(month, ccDetails.month);
    dialog.Centre(wxBOTH);

    const int result = runDialogModal(dialog);
    if (result == wxID_OK) {
      ccDetails.name = zr(name->GetValue());
      ccDetails.number = zr(number->GetValue());
      ccDetails.month = selectedText(month);
      ccDetails.year = selectedText(year);
      ccDetails.cvc = zr(cvc->GetValue());
      // The typed number stays in the toolkit's field until the dialog goes: overwrite it there too.
      number->ChangeValue(wxString(' ', number->GetValue().length()));
      cvc->ChangeValue(wxString(' ', cvc->GetValue().length()));
      const bool complete = !ccDetails.name.empty() && !ccDetails.number.empty() && !ccDetails.cvc.empty() &&
                            !ccDetails.month.empty() && !ccDetails.year.empty();
      if (!complete) continue;
      lirra1->createSubscription(productIndex, ccDetails,
                                 report("You are now subscribed!", [this] { clearCCDetails(); }),
                                 &ZRGlobalTaskDispatch::getInstance()->mainQueue);
      // The request holds its own copy; the number and the code are not kept here.
      ccDetails.wipeSecrets();
    } else if (result == wxID_CANCEL) {
      clearCCDetails();
    }
    return;
  }
}

void ZRBrowserPluginLirraKaraoke::internal_showSubscriptionsWindow_cancelSub(wxWindow* window) {
  actOnSubscription(window, false);
}

void ZRBrowserPluginLirraKaraoke::internal_showSubscriptionsWindow_renewSub(wxWindow* window) {
  actOnSubscription(window, true);
}

void ZRBrowserPluginLirraKaraoke::actOnSubscription(wxWindow* window, bool activate) {
  auto* subscriptions = findIn<wxListBox>(window, ID_LIRRA_SUBSCRIPTIONS);
  if (lirra1 == nullptr || subscriptions == nullptr || subscriptions->GetSelection() != 0) return;
  if (orderId < 0) {
    ZRLOG("lirkar: error: no subscription order known, nothing to %s", activate ? "activate" : "cancel");
    return;
  }
  const char* question = activate ? "Are you sure you want to activate this subscription?"
                                  : "Are you sure you want to cancel this subscription?";
  if (!showConfirmationDialog(question, ZRString(), window)) return;
  ZRDispatchQueueBase* main = &ZRGlobalTaskDispatch::getInstance()->mainQueue;
  if (activate) {
    lirra1->activateSubscription(
        orderId, report("Subscription has been activated! You may need to restart the app."), main);
  } else {
    lirra1->cancelSubscription(orderId, false, report("Subscription has been canceled!"), main);
  }
}

void ZRBrowserPluginLirraKaraoke::internal_openPasswordChangeForgetLink(wxWindow*) {
  if (lirra1 == nullptr) return;
  const ZRString url = lirra1->getURLForgetPassword();
  if (!isHttpsUrl(url.utf8())) {
    ZRLOG("lirkar: error: the page for a forgotten password is not an https address");
    return;
  }
  if (urlOpener()) {
    urlOpener()(url);
  } else {
    openUrlInDefaultBrowser(url);
  }
}

void ZRBrowserPluginLirraKaraoke::internal_updateStatesChoice(wxWindow* window, int countryIndex,
                                                              const ZRString* state) {
  auto* states = findIn<wxChoice>(window, ID_LIRRA_STATE);
  if (states == nullptr) return;
  const int usa = getLK_Countries_index_by_code_or_name("United States");
  const int canada = getLK_Countries_index_by_code_or_name("Canada");
  states->Clear();
  struct Table {
    int (*total)();
    ZRString (*code)(int);
    ZRString (*name)(int);
    int (*lookup)(const ZRString&);
  };
  const Table usaTable{getTotalSP_USA, getSP_USA_code, getSP_USA_name, getSP_USA_index_by_code_or_name};
  const Table canadaTable{getTotalSP_Canada, getSP_Canada_code, getSP_Canada_name,
                          getSP_Canada_index_by_code_or_name};
  const Table* table = countryIndex >= 0 && countryIndex == usa      ? &usaTable
                       : countryIndex >= 0 && countryIndex == canada ? &canadaTable
                                                                     : nullptr;
  if (table == nullptr) {
    states->Append("state");
    states->SetSelection(0);
    return;
  }
  for (int row = 0; row < table->total(); ++row)
    states->Append(wx(table->name(row)) + " (" + wx(table->code(row)) + ")");
  states->SetSelection(state != nullptr ? table->lookup(*state) : wxNOT_FOUND);
}
