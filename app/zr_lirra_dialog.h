#pragma once
// ZRLirraDialog: the dialog of the karaoke catalogue's windows (the subscriptions window and the
// card-details dialog). Its buttons and the country choice reach the owning plug-in; a 100 ms timer runs
// the tasks waiting on the dispatcher's "main" queue, so the catalogue client's reports arrive while the
// dialog's modal loop runs. Other control events take the toolkit's default handling (so Save and Cancel
// end a modal run with 5100 and 5101).
//
// Threads: main thread only, like every toolkit window. The timer's drain does not run inside itself: a
// report that shows a message box (a nested modal loop whose timers keep firing) is not run into again.

#include <wx/dialog.h>

class wxTimer;
class wxTimerEvent;
class ZRBrowserPluginLirraKaraoke;

class ZRLirraDialog : public wxDialog {
 public:
  // plugin may be null: then the subscription buttons and the country choice do nothing.
  ZRLirraDialog(ZRBrowserPluginLirraKaraoke* plugin, wxWindow* parent, wxWindowID id, const wxString& title,
                const wxPoint& position, const wxSize& size, long style, const wxString& name);
  ~ZRLirraDialog() override;

  ZRBrowserPluginLirraKaraoke* plugin() const { return plugin_; }

  void OnButton(wxCommandEvent& event);
  void OnChoice(wxCommandEvent& event);
  void OnClose(wxCloseEvent& event);
  void OnTimer(wxTimerEvent& event);

 private:
  ZRBrowserPluginLirraKaraoke* plugin_;
  wxTimer* timer_;

  wxDECLARE_EVENT_TABLE();
};
