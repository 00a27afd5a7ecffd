#include "app/lirra_wdr.h"

#include <wx/button.h>
#include <wx/choice.h>
#include <wx/sizer.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

namespace {

wxStaticText* rightLabel(wxWindow* parent, const char* label) {
  return new wxStaticText(parent, ID_LIRRA_LABEL, wxString::FromUTF8(label), wxDefaultPosition,
                          wxSize(100, -1), wxALIGN_RIGHT | wxST_NO_AUTORESIZE);
}

wxTextCtrl* field(wxWindow* parent, int id) {
  return new wxTextCtrl(parent, id, wxEmptyString, wxDefaultPosition, wxSize(200, -1));
}

}  // namespace

wxSizer* LirraCCDialogFunc(wxWindow* parent, bool fit, bool setSizer) {
  auto* top = new wxBoxSizer(wxVERTICAL);
  auto* grid = new wxFlexGridSizer(2, 0, 0);
  const int cell = wxALIGN_CENTER | wxALL;
  const int inRow = wxALIGN_CENTER_VERTICAL | wxALL;  // in a horizontal row only the vertical centring counts

  grid->Add(20, 4, 0, cell, 5);
  grid->Add(20, 4, 0, cell, 5);
  grid->Add(rightLabel(parent, "Name"), 0, cell, 5);
  grid->Add(field(parent, ID_LIRRA_CARD_NAME), 0, cell, 5);
  grid->Add(rightLabel(parent, "Number"), 0, cell, 5);
  grid->Add(field(parent, ID_LIRRA_CARD_NUMBER), 0, cell, 5);

  grid->Add(rightLabel(parent, "Exp Month"), 0, cell, 5);
  auto* expiry = new wxBoxSizer(wxHORIZONTAL);
  wxArrayString months;
  for (int m = 1; m <= 12; ++m) months.Add(wxString::Format("%02d", m));
  expiry->Add(new wxChoice(parent, ID_LIRRA_CARD_MONTH, wxDefaultPosition, wxSize(60, -1), months), 0, inRow,
              5);
  expiry->Add(4, 20, 0, inRow, 5);
  expiry->Add(new wxStaticText(parent, ID_LIRRA_LABEL, "Year"), 0, inRow, 5);
  expiry->Add(new wxChoice(parent, ID_LIRRA_CARD_YEAR, wxDefaultPosition, wxSize(60, -1)), 0, inRow, 5);
  grid->Add(expiry, 0, wxALIGN_CENTER_VERTICAL, 0);

  grid->Add(rightLabel(parent, "CVC/CVV"), 0, cell, 5);
  grid->Add(field(parent, ID_LIRRA_CARD_CVC), 0, cell, 5);

  grid->Add(20, 20, 0, cell, 5);
  auto* buttons = new wxBoxSizer(wxHORIZONTAL);
  buttons->Add(new wxButton(parent, wxID_CANCEL, "Cancel"), 0, inRow, 5);
  auto* save = new wxButton(parent, wxID_OK, "Save");
  save->SetDefault();
  buttons->Add(save, 0, inRow, 5);
  grid->Add(buttons, 0, wxALIGN_CENTER_VERTICAL | wxALIGN_RIGHT | wxLEFT | wxTOP | wxBOTTOM, 5);

  top->Add(grid, 0, cell, 5);
  if (setSizer) {
    parent->SetSizer(top);
    if (fit) top->SetSizeHints(parent);
  }
  return top;
}
