#pragma once
// ZRKaraokeNetDialog: the song shop's subscriptions window. Its layout is not part of the system; its
// event handling is, by control id:
//   15004, 15026  end the window with 5118 (a modal run ends its loop; a modeless window, which has no
//                 loop to end, closes and destroys itself instead)
//   15028, 15031, 15030  add, cancel, renew a subscription through the plug-in (nothing without one)
//   15012         the plug-in opens the shop's forgotten-password page
//   15022 (choice) a new country would refill the states: logged as not available yet
// Every other control event is skipped to the toolkit. Closing: a modal window leaves it to the
// toolkit's default handling, a modeless one destroys itself. A timer event runs the tasks waiting on
// the dispatcher's "main" queue, so main-thread work goes on while a modal run lasts (never nested: a
// task that opens another modal loop does not start a second drain from inside the first).
//
// Threads: main thread only.

#include <wx/dialog.h>
#include <wx/timer.h>

class ZRBrowserPluginKaraokeNet;

class ZRKaraokeNetDialog : public wxDialog {
 public:
  static constexpr int kCloseButtonId = 15004;
  static constexpr int kDoneButtonId = 15026;
  static constexpr int kForgotPasswordId = 15012;
  static constexpr int kCountryChoiceId = 15022;
  static constexpr int kAddSubscriptionId = 15028;
  static constexpr int kRenewSubscriptionId = 15030;
  static constexpr int kCancelSubscriptionId = 15031;
  static constexpr int kModalResult = 5118;

  // plugin may be null.
  ZRKaraokeNetDialog(wxWindow* parent, ZRBrowserPluginKaraokeNet* plugin,
                     const wxString& title = "KaraokeNet", const wxSize& size = wxDefaultSize);

 private:
  // Controls whose events only go on to the toolkit's default handling.
  void OnSlider(wxScrollEvent& event) { event.Skip(); }
  void OnSkip(wxCommandEvent& event) { event.Skip(); }
  void OnButton(wxCommandEvent& event);
  void OnChoice(wxCommandEvent& event);
  void OnClose(wxCloseEvent& event);
  void OnTimer(wxTimerEvent& event);
  // Ends a modal run with result, or closes a modeless window.
  void finish(int result);

  ZRBrowserPluginKaraokeNet* plugin_;
  bool draining_ = false;

  wxDECLARE_EVENT_TABLE();
};
