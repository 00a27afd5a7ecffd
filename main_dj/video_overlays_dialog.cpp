#include "main_dj/video_overlays_dialog.h"

#include <wx/app.h>
#include <wx/button.h>
#include <wx/checklst.h>
#include <wx/clrpicker.h>
#include <wx/filedlg.h>
#include <wx/fontpicker.h>
#include <wx/radiobut.h>
#include <wx/sizer.h>
#include <wx/slider.h>
#include <wx/statbox.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include <cmath>
#include <mutex>

#include "common/language_tables.h"
#include "common/text_ids.h"
#include "common/zr_logging.h"
#include "gui/zr_message_dialogs.h"
#include "gui_nodes/zr_control_support.h"
#include "main_dj/overlay_actions.h"
#include "main_dj/shell_folders.h"
#include "main_dj/shell_window.h"
#include "main_dj/zr_main_frame.h"
#include "main_dj/zr_catch_events_dialog.h"
#include "video_mixing/zr_simple_overlays.h"

namespace {

constexpr const char* kListWildcard = "Overlays List (*.xml)|*.xml";
constexpr const char* kMediaPatterns =
    "|*.jpg;*.jpeg;*.png;*.mp4;*.mpg;*.m4v;*.avi;*.asf;*.wmv;*.m2v;*.mkv;*.flv;*.mpeg;*.divx;*.mov";
constexpr int kSizeMax = 80;
constexpr int kRotationMax = 12;
constexpr int kOpacityMax = 10;

// The alignment of each position radio, in the grid's reading order.
constexpr textAlign kPositionAlign[9] = {textAlignTopLeft,    textAlignTop,    textAlignTopRight,
                                         textAlignLeft,       textAlignCenter, textAlignRight,
                                         textAlignBottomLeft, textAlignBottom, textAlignBottomRight};

ZROverlayFileChooser g_chooser;
// One refresh posted for a run of slider events; cleared when it runs.
bool g_refreshPosted = false;

wxString wx(const ZRString& text) {
  return wxString::FromUTF8(text.utf8());
}

ZRString zr(const wxString& text) {
  return ZRString(text.utf8_str().data());
}

template <typename T>
T* control(wxWindow* dialog, int id) {
  return dialog != nullptr ? dynamic_cast<T*>(dialog->FindWindow(id)) : nullptr;
}

int selection(wxWindow* dialog) {
  auto* list = control<wxCheckListBox>(dialog, ID_OVERLAYS_LIST);
  return list != nullptr ? list->GetSelection() : -1;
}

ZRSimpleOverlays::Overlay* selectedItem(wxWindow* dialog) {
  const int line = selection(dialog);
  return line >= 0 ? simpleOverlays.getItem(line) : nullptr;
}

bool chooseFile(wxWindow* parent, const wxString& message, const wxString& wildcard, bool save,
                const wxString& startFolder, wxString& path) {
  if (g_chooser) return g_chooser(parent, message, wildcard, save, path);
  const long style = save ? (wxFD_SAVE | wxFD_OVERWRITE_PROMPT | wxFD_CHANGE_DIR)
                          : (wxFD_OPEN | wxFD_FILE_MUST_EXIST | wxFD_CHANGE_DIR);
  wxFileDialog chooser(parent, message, startFolder, wxEmptyString, wildcard, style);
  if (runDialogModal(chooser) != wxID_OK) return false;
  path = chooser.GetPath();
  return true;
}

// The list as it is now reaches the output once the events already queued have been handled.
void postRefresh() {
  if (g_refreshPosted) return;
  g_refreshPosted = true;
  wxTheApp->CallAfter([] {
    g_refreshPosted = false;
    refreshSimpleOverlays(nullptr, -1, false);
  });
}

// ---- routes -----------------------------------------------------------------------------------------

bool onSlider(CCatchEventsDialog& dialog, wxCommandEvent& event) {
  ZRSimpleOverlays::Overlay* item = selectedItem(&dialog);
  auto* slider = control<wxSlider>(&dialog, event.GetId());
  if (item == nullptr || slider == nullptr) return true;
  const double v = slider->GetValue();
  const double max = slider->GetMax();
  switch (event.GetId()) {
    case ID_OVERLAYS_SIZE:
      item->width = item->height = static_cast<float>(v / (max * 0.5));
      break;
    case ID_OVERLAYS_ROTATION:
      item->rotation = static_cast<float>(180.0 / max * -v);
      break;
    case ID_OVERLAYS_OPACITY:
      item->opacity = static_cast<float>(v / max);
      break;
    default:
      return true;
  }
  postRefresh();
  return true;
}

bool onTypeRadio(CCatchEventsDialog& dialog, wxCommandEvent& event) {
  auto* radio = control<wxRadioButton>(&dialog, event.GetId());
  ZRSimpleOverlays::Overlay* item = selectedItem(&dialog);
  if (radio == nullptr || !radio->GetValue() || item == nullptr) return false;
  item->type = event.GetId() == ID_OVERLAYS_TYPE_TEXT ? ZRSimpleOverlays::kTypeText
                                                      : ZRSimpleOverlays::kTypeImageOrVideo;
  refreshSimpleOverlays(&dialog, selection(&dialog), true);
  return false;
}

bool onPositionRadio(CCatchEventsDialog& dialog, wxCommandEvent& event) {
  auto* radio = control<wxRadioButton>(&dialog, event.GetId());
  ZRSimpleOverlays::Overlay* item = selectedItem(&dialog);
  if (radio == nullptr || !radio->GetValue() || item == nullptr) return false;
  item->align = kPositionAlign[event.GetId() - ID_OVERLAYS_POSITION_FIRST];
  refreshSimpleOverlays(nullptr, selection(&dialog), true);
  return false;
}

bool onFont(CCatchEventsDialog& dialog, wxCommandEvent&) {
  auto* picker = control<wxFontPickerCtrl>(&dialog, ID_OVERLAYS_FONT);
  ZRSimpleOverlays::Overlay* item = selectedItem(&dialog);
  if (picker == nullptr || item == nullptr) return true;
  const wxFont font = picker->GetSelectedFont();
  item->font = zr(font.GetFaceName());
  item->fontsize = font.GetPointSize();
  const bool bold = font.GetWeight() >= wxFONTWEIGHT_BOLD;
  const bool italic = font.GetStyle() == wxFONTSTYLE_ITALIC || font.GetStyle() == wxFONTSTYLE_SLANT;
  item->fontstyle = bold && italic ? textStyleItalicBold
                    : bold         ? textStyleBold
                    : italic       ? textStyleItalic
                                   : textStyleInvalid;
  refreshSimpleOverlays(nullptr, selection(&dialog), true);
  return true;
}

bool onColour(CCatchEventsDialog& dialog, wxCommandEvent&) {
  auto* picker = control<wxColourPickerCtrl>(&dialog, ID_OVERLAYS_COLOUR);
  ZRSimpleOverlays::Overlay* item = selectedItem(&dialog);
  if (picker == nullptr || item == nullptr) return true;
  const wxColour colour = picker->GetColour();
  item->cr = colour.Red() / 255.0f;
  item->cg = colour.Green() / 255.0f;
  item->cb = colour.Blue() / 255.0f;
  refreshSimpleOverlays(nullptr, selection(&dialog), true);
  return true;
}

bool onListBox(CCatchEventsDialog& dialog, wxCommandEvent&) {
  updateOverlayGraphicsDialog(&dialog, selection(&dialog));
  return true;
}

bool onCheckListBox(CCatchEventsDialog& dialog, wxCommandEvent& event) {
  auto* list = control<wxCheckListBox>(&dialog, ID_OVERLAYS_LIST);
  const int line = event.GetInt();
  ZRSimpleOverlays::Overlay* item = simpleOverlays.getItem(line);
  if (list == nullptr || item == nullptr) return true;
  item->enabled = list->IsChecked(static_cast<unsigned>(line));
  refreshSimpleOverlays(nullptr, line, true);
  return true;
}

// Selects line (when it names an overlay) and shows it.
void showLine(CCatchEventsDialog& dialog, int line) {
  const bool exists = simpleOverlays.getItem(line) != nullptr;
  refreshSimpleOverlays(&dialog, line, exists);
  updateOverlayGraphicsDialog(&dialog, line);
}

bool onButton(CCatchEventsDialog& dialog, wxCommandEvent& event) {
  int line = selection(&dialog);
  switch (event.GetId()) {
    case ID_OVERLAYS_ADD: {
      const int added = simpleOverlays.add(false, -1);
      if (added >= 0) showLine(dialog, added);
      break;
    }
    case ID_OVERLAYS_REMOVE:
      if (!simpleOverlays.remove(line)) break;
      if (line >= simpleOverlays.getTotalItems()) line = simpleOverlays.getTotalItems() - 1;
      showLine(dialog, line);
      break;
    case ID_OVERLAYS_UP:
      if (simpleOverlays.moveUp(line)) refreshSimpleOverlays(&dialog, line - 1, true);
      break;
    case ID_OVERLAYS_DOWN:
      if (simpleOverlays.moveDown(line)) refreshSimpleOverlays(&dialog, line + 1, true);
      break;
    case ID_OVERLAYS_CLEAR:
      if (simpleOverlays.getTotalItems() == 0) break;
      if (!showConfirmationDialog(getTextName(txt_confirm_clear_list), getTextName(txt_confirm_clear),
                                  &dialog))
        break;
      if (simpleOverlays.clear()) refreshSimpleOverlays(&dialog, -1, false);
      break;
    case ID_OVERLAYS_LOAD: {
      wxString path;
      if (!chooseFile(&dialog, wx(getTextName(txt_addfile_title)), kListWildcard, false, wx(theOverlaysDir),
                      path))
        break;
      // A list that does not load leaves the list and the file in use as they were.
      if (!loadOverlaysFile(zr(path), ZRString())) {
        ZRLOG("overlays editor: '%s' did not load", path.utf8_str().data());
        break;
      }
      refreshVideoOverlaysFiles(theOverlaysDir, true);
      showLine(dialog, 0);
      break;
    }
    case ID_OVERLAYS_SAVE: {
      wxString path;
      if (!chooseFile(GetApplicationMainWindow(), wx(getTextName(txt_saveas_list_title)), kListWildcard, true,
                      wx(theOverlaysDir), path))
        break;
      if (!path.Lower().Contains(".xml")) path += ".xml";
      if (!saveOverlaysFile(zr(path))) {
        ZRLOG("overlays editor: '%s' could not be written", path.utf8_str().data());
        break;
      }
      refreshVideoOverlaysFiles(theOverlaysDir, true);
      break;
    }
    case ID_OVERLAYS_SET_TEXT: {
      auto* field = control<wxTextCtrl>(&dialog, ID_OVERLAYS_NAME);
      ZRSimpleOverlays::Overlay* item = selectedItem(&dialog);
      if (field == nullptr || item == nullptr || field->GetValue().empty()) break;
      item->nametext = zr(field->GetValue());
      refreshSimpleOverlays(&dialog, line, true);
      break;
    }
    case ID_OVERLAYS_CHOOSE_FILE: {
      wxString path;
      if (!chooseFile(&dialog, wx(getTextName(txt_addfile_title)),
                      wx(getTextName(txt_all_supported_files)) + kMediaPatterns, false, wxEmptyString, path))
        break;
      if (auto* field = control<wxTextCtrl>(&dialog, ID_OVERLAYS_FILE)) field->SetValue(path);
      ZRSimpleOverlays::Overlay* item = selectedItem(&dialog);
      if (item == nullptr) break;
      item->file = zr(path);
      item->type = ZRSimpleOverlays::kTypeImageOrVideo;
      refreshSimpleOverlays(&dialog, line, true);
      updateOverlayGraphicsDialog(&dialog, line);
      break;
    }
    default:
      break;
  }
  return true;
}

void addRoutes() {
  static std::once_flag once;
  std::call_once(once, [] {
    for (int id : {ID_OVERLAYS_SIZE, ID_OVERLAYS_ROTATION, ID_OVERLAYS_OPACITY})
      addDialogRoute(ZRDialogEventKind::Slider, id, onSlider);
    for (int id : {ID_OVERLAYS_TYPE_TEXT, ID_OVERLAYS_TYPE_FILE})
      addDialogRoute(ZRDialogEventKind::RadioButton, id, onTypeRadio);
    for (int id = ID_OVERLAYS_POSITION_FIRST; id <= ID_OVERLAYS_POSITION_LAST; ++id)
      addDialogRoute(ZRDialogEventKind::RadioButton, id, onPositionRadio);
    addDialogRoute(ZRDialogEventKind::FontPicker, ID_OVERLAYS_FONT, onFont);
    addDialogRoute(ZRDialogEventKind::ColourPicker, ID_OVERLAYS_COLOUR, onColour);
    addDialogRoute(ZRDialogEventKind::ListBox, ID_OVERLAYS_LIST, onListBox);
    addDialogRoute(ZRDialogEventKind::CheckListBox, ID_OVERLAYS_LIST, onCheckListBox);
    for (int id = ID_OVERLAYS_ADD; id <= ID_OVERLAYS_SAVE; ++id)
      addDialogRoute(ZRDialogEventKind::Button, id, onButton);
    for (int id : {ID_OVERLAYS_SET_TEXT, ID_OVERLAYS_CHOOSE_FILE})
      addDialogRoute(ZRDialogEventKind::Button, id, onButton);
  });
}

// ---- layout -----------------------------------------------------------------------------------------

wxStaticText* label(wxWindow* parent, int id, const char* text, int width = -1, long style = 0) {
  return new wxStaticText(parent, id, wxString::FromUTF8(text), wxDefaultPosition, wxSize(width, -1), style);
}

wxButton* button(wxWindow* parent, int id, const char* text, int width = -1) {
  return new wxButton(parent, id, wxString::FromUTF8(text), wxDefaultPosition, wxSize(width, -1));
}

}  // namespace

wxSizer* CfgVideoOverlayPageFunc(wxWindow* parent, bool fit, bool setSizer) {
  auto* top = new wxBoxSizer(wxVERTICAL);
  top->Add(label(parent, ID_OVERLAYS_TITLE, "Activate video overlays"), 0, wxALL, 5);
  top->Add(new wxCheckListBox(parent, ID_OVERLAYS_LIST, wxDefaultPosition, wxSize(556, 120)), 0, wxALL, 5);
  auto* buttons = new wxBoxSizer(wxHORIZONTAL);
  const char* captions[] = {"+", "-", "Up", "Down", "Clear", "Load", "Save"};
  for (int id = ID_OVERLAYS_ADD; id <= ID_OVERLAYS_SAVE; ++id) {
    if (id == ID_OVERLAYS_CLEAR) buttons->Add(20, 20, 0, wxALL, 0);
    buttons->Add(button(parent, id, captions[id - ID_OVERLAYS_ADD], 65), 0, wxALL, 5);
  }
  top->Add(buttons, 0, wxALL, 0);

  auto* details = new wxStaticBoxSizer(new wxStaticBox(parent, wxID_ANY, "Details"), wxVERTICAL);
  auto* type = new wxBoxSizer(wxHORIZONTAL);
  type->Add(label(parent, 10183, "Overlay type", 80), 0, wxALIGN_CENTER_VERTICAL | wxALL, 5);
  auto* text =
      new wxRadioButton(parent, ID_OVERLAYS_TYPE_TEXT, "Text", wxDefaultPosition, wxDefaultSize, wxRB_GROUP);
  text->SetValue(true);
  type->Add(text, 0, wxALIGN_CENTER_VERTICAL | wxALL, 5);
  type->Add(new wxRadioButton(parent, ID_OVERLAYS_TYPE_FILE, "Image or Video"), 0,
            wxALIGN_CENTER_VERTICAL | wxALL, 5);
  details->Add(type, 0, wxALL, 0);

  auto* name = new wxBoxSizer(wxHORIZONTAL);
  name->Add(label(parent, 10186, "Text (name)", 80), 0, wxALIGN_CENTER_VERTICAL | wxALL, 5);
  name->Add(new wxTextCtrl(parent, ID_OVERLAYS_NAME, "", wxDefaultPosition, wxSize(176, -1)), 0,
            wxALIGN_CENTER_VERTICAL | wxALL, 5);
  name->Add(button(parent, ID_OVERLAYS_SET_TEXT, "Set text"), 0, wxALIGN_CENTER_VERTICAL | wxALL, 5);
  name->Add(new wxFontPickerCtrl(parent, ID_OVERLAYS_FONT, wxNullFont, wxDefaultPosition, wxDefaultSize,
                                 wxFNTP_FONTDESC_AS_LABEL),
            0, wxALIGN_CENTER_VERTICAL | wxALL, 5);
  name->Add(new wxColourPickerCtrl(parent, ID_OVERLAYS_COLOUR, *wxBLACK), 0, wxALIGN_CENTER_VERTICAL | wxALL,
            5);
  details->Add(name, 0, wxALL, 0);

  auto* file = new wxBoxSizer(wxHORIZONTAL);
  file->Add(label(parent, 10191, "Image or video", 80), 0, wxALIGN_CENTER_VERTICAL | wxALL, 5);
  file->Add(new wxTextCtrl(parent, ID_OVERLAYS_FILE, "", wxDefaultPosition, wxSize(350, -1), wxTE_READONLY),
            0, wxALIGN_CENTER_VERTICAL | wxALL, 5);
  file->Add(button(parent, ID_OVERLAYS_CHOOSE_FILE, "Choose file"), 0, wxALIGN_CENTER_VERTICAL | wxALL, 5);
  details->Add(file, 0, wxALL, 0);

  auto* place = new wxBoxSizer(wxHORIZONTAL);
  place->Add(label(parent, 10194, "Position", 80), 0, wxALL, 5);
  auto* grid = new wxGridSizer(3, 3, 0, 0);
  for (int id = ID_OVERLAYS_POSITION_FIRST; id <= ID_OVERLAYS_POSITION_LAST; ++id) {
    auto* radio = new wxRadioButton(parent, id, "", wxDefaultPosition, wxDefaultSize,
                                    id == ID_OVERLAYS_POSITION_FIRST ? wxRB_GROUP : 0);
    if (id == ID_OVERLAYS_POSITION_FIRST + 4) radio->SetValue(true);
    grid->Add(radio, 0, wxALL, 5);
  }
  place->Add(grid, 0, wxALL, 0);
  auto* sliders = new wxBoxSizer(wxVERTICAL);
  const struct {
    int labelId, id;
    const char* text;
    int value, minimum, maximum;
  } rows[] = {{10204, ID_OVERLAYS_SIZE, "Size", 4, 1, kSizeMax},
              {10206, ID_OVERLAYS_ROTATION, "Rotation", 0, -kRotationMax, kRotationMax},
              {10208, ID_OVERLAYS_OPACITY, "Opacity", 10, 1, kOpacityMax}};
  for (const auto& row : rows) {
    auto* line = new wxBoxSizer(wxHORIZONTAL);
    line->Add(label(parent, row.labelId, row.text, 80, wxALIGN_RIGHT), 0, wxALIGN_CENTER_VERTICAL | wxALL, 5);
    line->Add(
        new wxSlider(parent, row.id, row.value, row.minimum, row.maximum, wxDefaultPosition, wxSize(100, -1)),
        0, wxALIGN_CENTER_VERTICAL | wxALL, 5);
    sliders->Add(line, 0, wxALL, 0);
  }
  place->Add(sliders, 0, wxALL, 0);
  details->Add(place, 0, wxALL, 0);
  top->Add(details, 0, wxALL, 5);

  if (setSizer) {
    parent->SetSizer(top);
    if (fit) top->SetSizeHints(parent);
  }
  return top;
}

void updateOverlayGraphicsDialog(wxWindow* dialog, int index) {
  const ZRSimpleOverlays::Overlay* item = simpleOverlays.getItem(index);
  if (dialog == nullptr || item == nullptr) return;
  if (auto* size = control<wxSlider>(dialog, ID_OVERLAYS_SIZE))
    size->SetValue(static_cast<int>(std::lround(size->GetMax() * item->width * 0.5)));
  if (auto* rotation = control<wxSlider>(dialog, ID_OVERLAYS_ROTATION))
    rotation->SetValue(static_cast<int>(std::lround(rotation->GetMax() * item->rotation / -180.0)));
  if (auto* opacity = control<wxSlider>(dialog, ID_OVERLAYS_OPACITY))
    opacity->SetValue(static_cast<int>(std::lround(opacity->GetMax() * item->opacity)));
  if (item->type == ZRSimpleOverlays::kTypeText || item->type == ZRSimpleOverlays::kTypeImageOrVideo) {
    const int id = item->type == ZRSimpleOverlays::kTypeText ? ID_OVERLAYS_TYPE_TEXT : ID_OVERLAYS_TYPE_FILE;
    if (auto* radio = control<wxRadioButton>(dialog, id)) radio->SetValue(true);
  }
  int position = 4;  // free placement shows as the centre
  for (int i = 0; i < 9; ++i)
    if (kPositionAlign[i] == item->align) position = i;
  if (auto* radio = control<wxRadioButton>(dialog, ID_OVERLAYS_POSITION_FIRST + position))
    radio->SetValue(true);
  if (auto* field = control<wxTextCtrl>(dialog, ID_OVERLAYS_NAME)) field->ChangeValue(wx(item->nametext));
  if (auto* field = control<wxTextCtrl>(dialog, ID_OVERLAYS_FILE)) field->ChangeValue(wx(item->file));
  if (auto* picker = control<wxFontPickerCtrl>(dialog, ID_OVERLAYS_FONT)) {
    const bool italic = item->fontstyle == textStyleItalic || item->fontstyle == textStyleItalicBold;
    const bool bold = item->fontstyle == textStyleBold || item->fontstyle == textStyleItalicBold;
    wxFont font(wxFontInfo(item->fontsize > 0 ? item->fontsize : 48)
                    .FaceName(wx(item->font))
                    .Italic(italic)
                    .Bold(bold)
                    .Underlined(item->fontstyle == textStyleUnderline));
    picker->SetSelectedFont(font);
  }
  if (auto* picker = control<wxColourPickerCtrl>(dialog, ID_OVERLAYS_COLOUR)) {
    picker->SetColour(wxColour(static_cast<unsigned char>(std::lround(item->cr * 255)),
                               static_cast<unsigned char>(std::lround(item->cg * 255)),
                               static_cast<unsigned char>(std::lround(item->cb * 255))));
  }
}

void ShowVideoOverlaysDialog(wxWindow* parent) {
  addRoutes();
  CCatchEventsDialog dialog(parent, wxID_ANY, "Edit Video Overlays");
  CfgVideoOverlayPageFunc(&dialog, true, true);
  if (auto* save = control<wxButton>(&dialog, ID_OVERLAYS_SAVE)) save->SetLabel("Save as");
  if (auto* picker = control<wxFontPickerCtrl>(&dialog, ID_OVERLAYS_FONT)) {
    picker->SetSelectedFont(wxFont(wxFontInfo(48).FaceName("Arial")));
    picker->SetSelectedColour(*wxBLACK);
  }
  if (auto* picker = control<wxColourPickerCtrl>(&dialog, ID_OVERLAYS_COLOUR)) picker->SetColour(*wxWHITE);
  refreshSimpleOverlays(&dialog, 0, simpleOverlays.getTotalItems() > 0);
  updateOverlayGraphicsDialog(&dialog, 0);
  dialog.Centre(wxBOTH);
  runDialogModal(dialog);
}

void showVideoOverlaysDialog(int, int, int, ZRDrawNode*) {
  if (!isOnMainThread()) {
    static const ZRLifeToken token;
    runOnMainThread(token.watch(), [] { showVideoOverlaysDialog(0, 0, -1, nullptr); });
    return;
  }
  wxWindow* parent = GetApplicationMainWindow();
  if (parent == nullptr) return;
  ShowVideoOverlaysDialog(parent);
}

void setOverlayFileChooser(ZROverlayFileChooser chooser) {
  g_chooser = std::move(chooser);
}
