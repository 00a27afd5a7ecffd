#pragma once
// The layouts of the karaoke catalogue's windows, built the way the generated dialog layouts are
// (gui/tarvo_wdr.h): each function fills a parent window with its controls, every control with its fixed
// id, arranges them in sizers and returns the top sizer; with setSizer the sizer becomes the parent's,
// with fit as well the parent takes the sizer's minimum size.
//
// Main thread only, like every toolkit call.

class wxSizer;
class wxWindow;

// Control ids of the catalogue's windows.
enum LirraWindowIds : int {
  ID_LIRRA_LABEL = 15000,
  ID_LIRRA_CLOSE = 15004,
  ID_LIRRA_FORGOT_PASSWORD = 15012,
  ID_LIRRA_COUNTRY = 15022,
  ID_LIRRA_STATE = 15024,
  ID_LIRRA_DONE = 15026,
  ID_LIRRA_PRODUCTS = 15027,
  ID_LIRRA_ADD_SUBSCRIPTION = 15028,
  ID_LIRRA_SUBSCRIPTIONS = 15029,
  ID_LIRRA_RENEW = 15030,
  ID_LIRRA_CANCEL_SUBSCRIPTION = 15031,
  ID_LIRRA_CARD_NAME = 15032,
  ID_LIRRA_CARD_NUMBER = 15033,
  ID_LIRRA_CARD_MONTH = 15034,
  ID_LIRRA_CARD_YEAR = 15035,
  ID_LIRRA_CARD_CVC = 15036,
};

// The modal result of the subscriptions window's closing buttons.
inline constexpr int kLirraSubscriptionsClosed = 5118;

// The card-details dialog: name, number, expiry month ("01" to "12") and year (filled by its user), CVC,
// and the buttons Cancel (5101) and Save (5100, the default button).
wxSizer* LirraCCDialogFunc(wxWindow* parent, bool fit, bool setSizer);
