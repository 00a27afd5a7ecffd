#include "gui/tarvo_wdr.h"

#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/choice.h>
#include <wx/listbox.h>
#include <wx/notebook.h>
#include <wx/panel.h>
#include <wx/radiobox.h>
#include <wx/sizer.h>
#include <wx/slider.h>
#include <wx/statbox.h>
#include <wx/statline.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include <initializer_list>

namespace {

// Every layout ends the same way: the sizer becomes the parent's, and with fit the parent takes its size.
wxSizer* finish(wxWindow* parent, wxSizer* top, bool fit, bool setSizer) {
  if (setSizer) {
    parent->SetSizer(top);
    if (fit) top->SetSizeHints(parent);
  }
  return top;
}

wxStaticText* text(wxWindow* parent, int id, const char* label, int width = -1, long style = 0) {
  return new wxStaticText(parent, id, wxString::FromUTF8(label), wxDefaultPosition, wxSize(width, -1), style);
}

wxChoice* choice(wxWindow* parent, int id, int width, std::initializer_list<const char*> items) {
  wxArrayString strings;
  for (const char* item : items) strings.Add(wxString::FromUTF8(item));
  return new wxChoice(parent, id, wxDefaultPosition, wxSize(width, -1), strings);
}

wxSlider* slider(wxWindow* parent, int id, int value, int minimum, int maximum) {
  return new wxSlider(parent, id, value, minimum, maximum, wxDefaultPosition, wxSize(80, -1),
                      wxSL_HORIZONTAL);
}

wxCheckBox* checkBox(wxWindow* parent, int id, const char* label) {
  return new wxCheckBox(parent, id, wxString::FromUTF8(label));
}

wxTextCtrl* field(wxWindow* parent, int id, const char* value, int width, long style = 0) {
  return new wxTextCtrl(parent, id, wxString::FromUTF8(value), wxDefaultPosition, wxSize(width, -1), style);
}

// A row of label, slider and value text, centred vertically.
void addSliderRow(wxWindow* parent, wxSizer* column, int labelId, const char* label, int sliderId, int value,
                  int minimum, int maximum, int valueId, const char* valueText, int labelWidth) {
  auto* row = new wxBoxSizer(wxHORIZONTAL);
  row->Add(text(parent, labelId, label, labelWidth, wxALIGN_RIGHT | wxST_NO_AUTORESIZE), 0,
           wxALIGN_CENTER_VERTICAL | wxALL, 5);
  row->Add(slider(parent, sliderId, value, minimum, maximum), 0, wxALIGN_CENTER_VERTICAL | wxALL, 5);
  row->Add(text(parent, valueId, valueText), 0, wxALIGN_CENTER_VERTICAL | wxALL, 5);
  column->Add(row, 0, 0, 0);
}

// A row of label and control.
void addRow(wxSizer* column, wxWindow* label, wxWindow* control) {
  auto* row = new wxBoxSizer(wxHORIZONTAL);
  row->Add(label, 0, wxALIGN_CENTER_VERTICAL | wxALL, 5);
  row->Add(control, 0, wxALIGN_CENTER_VERTICAL | wxALL, 5);
  column->Add(row, 0, 0, 0);
}

wxSizer* page(wxNotebook* notebook, const char* title, wxSizer* (*layout)(wxWindow*, bool, bool)) {
  auto* panel = new wxPanel(notebook, -1, wxDefaultPosition, wxDefaultSize, wxTAB_TRAVERSAL | wxNO_BORDER);
  wxSizer* sizer = layout(panel, false, true);
  notebook->AddPage(panel, wxString::FromUTF8(title), false);
  return sizer;
}

}  // namespace

wxSizer* CfgDialogFunc(wxWindow* parent, bool fit, bool setSizer) {
  auto* top = new wxBoxSizer(wxVERTICAL);
  auto* notebook = new wxNotebook(parent, ID_CFG_NOTEBOOK, wxDefaultPosition, wxDefaultSize, 0);
  page(notebook, "General", CfgGeneralPageFunc);
  page(notebook, "Audio Routing", CfgAudioPageFunc);
  page(notebook, "Video", CfgVideoPageFunc);
  page(notebook, "Karaoke", CfgKaraokeDialogFunc);
  page(notebook, "Control", CfgMidiTimecodePageFunc);
  page(notebook, "Broadcast", CfgBroadcastPageFunc);
  top->Add(notebook, 0, wxEXPAND | wxLEFT | wxRIGHT | wxTOP, 5);
  return finish(parent, top, fit, setSizer);
}

wxSizer* CfgGeneralPageFunc(wxWindow* parent, bool fit, bool setSizer) {
  auto* top = new wxBoxSizer(wxVERTICAL);

  auto* headline = new wxBoxSizer(wxHORIZONTAL);
  headline->Add(text(parent, 10035, "Select User Interface (skin)", 390, wxST_NO_AUTORESIZE), 0,
                wxALIGN_CENTER_VERTICAL | wxALL, 5);
  headline->Add(text(parent, ID_CFG_VERSION_TEXT, "v2.0.0.0", 216, wxALIGN_RIGHT), 0,
                wxALIGN_CENTER_VERTICAL | wxALL, 5);
  top->Add(headline, 0, 0, 0);
  top->Add(choice(parent, ID_CFG_SKIN_CHOICE, 450, {"Item1", "Item2"}), 0, wxALL, 5);
  top->Add(20, 4, 0, wxALL, 5);

  auto* columns = new wxBoxSizer(wxHORIZONTAL);
  auto* boxes = new wxBoxSizer(wxVERTICAL);
  const struct {
    int id;
    const char* label;
  } checks[] = {
      {10038, "Show Hints (tooltips)"},
      {10039, "Search in the middle of words"},
      {10040, "Reset Deck after Load"},
      {10041, "Reset Pitch after Auto-Mix"},
      {10042, "Use Slow Speed/Pitch Reset"},
      {10043, "Beat-Matching when Auto-Mix"},
      {10044, "Remember Song Equalizer Settings"},
      {10045, "Detect Automatic Gain"},
      {10046, "Detect Musical Key"},
      {10047, "Use Auto-Cueing when loading/Auto-Mixing"},
      {10048, "Use soft sounds for Auto-Cue detection"},
      {10049, "Use Slip mode for looping"},
      {10050, "High-quality Time-stretching"},
      {10051, "Use steady rhythm BPM detection (for sync-lock)"},
      {10052, "Use sync-lock when possible"},
      {10053, "Disable Pulselocker service"},
  };
  for (const auto& check : checks) boxes->Add(checkBox(parent, check.id, check.label), 0, wxALL, 5);
  columns->Add(boxes, 0, wxALL, 5);

  auto* sliders = new wxBoxSizer(wxVERTICAL);
  addSliderRow(parent, sliders, 10054, "Auto-Mix Fade Time", 10055, 100, 10, 200, 10056, "10.0s", 140);
  addSliderRow(parent, sliders, 10057, "Auto-Mix Limit Track", 10058, 0, 0, 10, 10059, "no limit", 140);
  addSliderRow(parent, sliders, 10060, "Pitch/Tempo Range", 10061, 3, 1, 6, 10062, "16%", 140);
  addSliderRow(parent, sliders, 10063, "Cutoff Filter Mode", 10064, 2, 1, 3, 10065, "LowPass && HighPass",
               140);
  addSliderRow(parent, sliders, 10066, "Key Stepper", 10067, 1, 1, 3, 10068, "Quarter semitone", 140);
  addSliderRow(parent, sliders, 10069, "Crossfader Curve", 10070, 50, 0, 100, 10071, "smooth - hard", 140);
  addSliderRow(parent, sliders, 10072, "Sampler Mode", 10073, 0, 0, 2, 10074, "normal", 140);
  columns->Add(sliders, 0, wxALL, 5);
  top->Add(columns, 0, wxALL, 5);
  top->Add(20, 4, 0, wxALL, 5);
  return finish(parent, top, fit, setSizer);
}

wxSizer* CfgAudioPageFunc(wxWindow* parent, bool fit, bool setSizer) {
  auto* top = new wxBoxSizer(wxVERTICAL);
  top->Add(text(parent, 10001, "Select audio device"), 0, wxALL, 10);

  auto* device = new wxBoxSizer(wxHORIZONTAL);
  device->Add(choice(parent, ID_CFG_AUDIO_DEVICE, 337, {"NO AUDIO OUTPUT"}), 0,
              wxALIGN_CENTER_VERTICAL | wxALL, 5);
  device->Add(text(parent, 10003, "Latency"), 0, wxALIGN_CENTER_VERTICAL | wxALL, 5);
  device->Add(slider(parent, ID_CFG_LATENCY_SLIDER, 50, 1, 90), 0, wxALIGN_CENTER_VERTICAL | wxALL, 5);
  device->Add(text(parent, ID_CFG_LATENCY_TEXT, "78.9 ms"), 0, wxALIGN_CENTER_VERTICAL | wxALL, 5);
  device->Add(new wxButton(parent, ID_CFG_ASIO_PANEL, "ASIO Panel"), 0, wxALIGN_CENTER_VERTICAL | wxALL, 5);
  top->Add(device, 0, 0, 0);

  auto* groups = new wxBoxSizer(wxHORIZONTAL);
  auto* outputs = new wxStaticBoxSizer(new wxStaticBox(parent, -1, "Output routing"), wxVERTICAL);
  const char* outputNames[] = {"Deck A", "Deck B", "Deck C", "Deck D", "Sampler + Mic", "Headphones"};
  for (int i = 0; i < 6; ++i) {
    addRow(outputs, text(parent, 10007 + 2 * i, outputNames[i]),
           choice(parent, 10008 + 2 * i, 200, {"ChoiceItem"}));
  }
  groups->Add(outputs, 0, wxALL, 5);
  auto* inputs = new wxStaticBoxSizer(new wxStaticBox(parent, -1, "Input routing"), wxVERTICAL);
  const char* inputNames[] = {"Deck A", "Deck B", "Deck C", "Deck D", "Microphone"};
  for (int i = 0; i < 5; ++i) {
    addRow(inputs, text(parent, 10019 + 2 * i, inputNames[i]),
           choice(parent, 10020 + 2 * i, 200, {"ChoiceItem"}));
  }
  groups->Add(inputs, 0, wxALL, 5);
  top->Add(groups, 0, wxALL, 5);

  auto* external = new wxBoxSizer(wxHORIZONTAL);
  external->Add(checkBox(parent, 10029, "Disable crossfader/volume faders (external mixer mode)"), 0,
                wxALIGN_CENTER_VERTICAL | wxALL, 5);
  external->Add(text(parent, ID_CFG_MASTER_FX_NOTE, "Current audio settings: master FX can NOT be used", 278,
                     wxALIGN_RIGHT),
                0, wxALIGN_CENTER_VERTICAL | wxALL, 5);
  top->Add(external, 0, 0, 0);
  top->Add(20, 4, 0, wxALL, 5);
  top->Add(text(parent, 10031, "Select an additional audio device for previewing / monitoring"), 0, wxALL,
           10);
  top->Add(choice(parent, ID_CFG_AUDIO_DEVICE2, 450, {"ChoiceItem"}), 0, wxALL, 5);
  top->Add(20, 4, 0, wxALL, 5);
  return finish(parent, top, fit, setSizer);
}

wxSizer* CfgVideoPageFunc(wxWindow* parent, bool fit, bool setSizer) {
  auto* top = new wxBoxSizer(wxVERTICAL);
  top->Add(20, 4, 0, wxALL, 5);
  top->Add(checkBox(parent, 10167, "Enable separate video window"), 0, wxALL, 5);
  top->Add(checkBox(parent, 10168, "Always show shaders on top of everything"), 0, wxALL, 5);
  top->Add(20, 4, 0, wxALL, 5);
  auto* link = new wxStaticBoxSizer(new wxStaticBox(parent, -1, "Link videos to audio tracks"), wxVERTICAL);
  link->Add(checkBox(parent, 10169, "Automatically link videos to audio tracks"), 0, wxALL, 5);
  link->Add(checkBox(parent, 10170, "Use random videos (otherwise use them in their alphabetical order)"), 0,
            wxALL, 5);
  addRow(link, field(parent, 10171, "", 337, wxTE_READONLY),
         new wxButton(parent, 10172, "Choose videos folder"));
  top->Add(link, 0, wxALL, 5);
  top->Add(new wxButton(parent, 10173, "Edit Video Overlays"), 0, wxALL, 5);
  return finish(parent, top, fit, setSizer);
}

wxSizer* CfgKaraokeDialogFunc(wxWindow* parent, bool fit, bool setSizer) {
  auto* top = new wxBoxSizer(wxVERTICAL);
  top->Add(20, 4, 0, wxALL, 5);
  addSliderRow(parent, top, 10054, "Show next singers list on video output", 10210, 3, 0, 5, 10211,
               "3 singers", -1);
  addSliderRow(parent, top, 10212, "Background music / filler player volume", 10213, 127, 0, 127, 10214,
               "100%", -1);
  top->Add(checkBox(parent, 10215, "Use case/preview player as background music / filler player"), 0, wxALL,
           5);
  top->Add(checkBox(parent, 10216, "Enable next singers list scrolling text on video output"), 0, wxALL, 5);
  top->Add(checkBox(parent, 10217, "Keep singers in rotation, even without songs"), 0, wxALL, 5);
  top->Add(checkBox(parent, 10218, "Disable Gala Tune Karaoke service"), 0, wxALL, 5);
  top->Add(20, 4, 0, wxALL, 5);
  auto* singers =
      new wxStaticBoxSizer(new wxStaticBox(parent, -1, "Karaoke Singers List video output"), wxVERTICAL);
  singers->Add(checkBox(parent, 10219, "Enable custom background (image or video) for Singers List"), 0,
               wxALL, 5);
  addRow(singers, field(parent, 10220, "", 337, wxTE_READONLY),
         new wxButton(parent, 10221, "Choose image or video"));
  top->Add(singers, 0, wxALL, 5);
  return finish(parent, top, fit, setSizer);
}

wxSizer* CfgMidiTimecodePageFunc(wxWindow* parent, bool fit, bool setSizer) {
  auto* top = new wxBoxSizer(wxVERTICAL);
  top->Add(text(parent, 10125, "Connected external controllers"), 0, wxALL, 10);
  top->Add(text(parent, 10126, "The following MIDI / HID devices are connected and currently in use"), 0,
           wxALL, 5);
  top->Add(
      new wxListBox(parent, ID_CFG_MIDI_LIST, wxDefaultPosition, wxSize(480, 160), 0, nullptr, wxLB_MULTIPLE),
      0, wxALL, 5);
  top->Add(checkBox(parent, 10128, "Automatically configure audio for controllers (where possible)"), 0,
           wxALL, 5);
  top->Add(20, 4, 0, wxALL, 5);
  top->Add(text(parent, 10129, "Select the time-coded vinyl/CD engine"), 0, wxALL, 10);
  top->Add(choice(parent, ID_CFG_TIMECODE_CHOICE, 480, {"ChoiceItem"}), 0, wxALL, 5);
  return finish(parent, top, fit, setSizer);
}

wxSizer* CfgBroadcastPageFunc(wxWindow* parent, bool fit, bool setSizer) {
  auto* top = new wxBoxSizer(wxVERTICAL);
  top->Add(text(parent, 10151, "Select broadcast type", 350, wxST_NO_AUTORESIZE), 0, wxALL, 10);
  auto* type = new wxBoxSizer(wxHORIZONTAL);
  type->Add(choice(parent, 10152, 280, {"Icecast 2"}), 0, wxALIGN_CENTER_VERTICAL | wxALL, 5);
  type->Add(text(parent, 10153, "", 320, wxALIGN_RIGHT | wxST_NO_AUTORESIZE), 0,
            wxALIGN_CENTER_VERTICAL | wxALL, 5);
  top->Add(type, 0, 0, 0);

  auto* columns = new wxBoxSizer(wxHORIZONTAL);
  auto* connection = new wxStaticBoxSizer(new wxStaticBox(parent, -1, "Connection"), wxVERTICAL);
  const struct {
    const char* label;
    int id;
    const char* value;
    long style;
  } fields[] = {
      {"Host", 10154, "localhost", 0},  {"Port", 10155, "8000", 0},
      {"Username", 10156, "source", 0}, {"Password", 10157, "plumbo", wxTE_PASSWORD},
      {"Mount", 10158, "/stream1", 0},
  };
  for (const auto& f : fields) {
    addRow(connection, text(parent, 10126, f.label, 70), field(parent, f.id, f.value, 180, f.style));
  }
  connection->Add(new wxStaticLine(parent, 10112, wxDefaultPosition, wxSize(20, -1), wxLI_HORIZONTAL), 0,
                  wxEXPAND | wxALL, 5);
  connection->Add(text(parent, 10126,
                       "Note that if you change any settings, in order\nto apply them you need to (re)start "
                       "broadcasting"),
                  0, wxALL, 5);
  columns->Add(connection, 0, wxALL, 5);

  auto* stream = new wxStaticBoxSizer(new wxStaticBox(parent, -1, "Stream"), wxVERTICAL);
  addRow(stream, text(parent, 10126, "Format", 70), choice(parent, 10159, 120, {"Ogg Vorbis"}));
  addRow(stream, text(parent, 10126, "Bitrate", 70),
         choice(parent, 10160, 120, {"64 kbps", "96 kbps", "128 kbps", "192 kbps", "384 kbps"}));
  addRow(stream, text(parent, 10126, "Channels", 70), choice(parent, 10161, 120, {"Mono", "Stereo"}));
  addRow(stream, text(parent, 10126, "Name", 70), field(parent, 10162, "stream1", 220));
  addRow(stream, text(parent, 10126, "Description", 70), field(parent, 10163, "Live DJ mixing stream", 220));
  addRow(stream, text(parent, 10126, "Website", 70), field(parent, 10164, kBroadcastDefaultWebsite, 220));
  addRow(stream, text(parent, 10126, "Genre", 70), field(parent, 10165, "Live", 220));
  auto* metadata = checkBox(parent, 10166, "Update metadata info dynamically");
  metadata->SetValue(true);
  stream->Add(metadata, 0, wxALL, 10);
  columns->Add(stream, 0, wxALL, 5);
  top->Add(columns, 0, wxALL, 5);
  return finish(parent, top, fit, setSizer);
}

wxSizer* LanguageDialogFunc(wxWindow* parent, bool fit, bool setSizer) {
  auto* top = new wxBoxSizer(wxVERTICAL);
  auto* row = new wxBoxSizer(wxHORIZONTAL);
  row->Add(new wxChoice(parent, ID_LANGUAGE_CHOICE, wxDefaultPosition, wxSize(200, -1)), 0,
           wxALIGN_CENTER_VERTICAL | wxALL, 5);
  row->Add(new wxButton(parent, wxID_OK, "OK"), 0, wxALIGN_CENTER_VERTICAL | wxALL, 5);
  top->Add(row, 0, wxALIGN_CENTER_HORIZONTAL | wxALL, 15);
  return finish(parent, top, fit, setSizer);
}

wxSizer* EditDialogFunc(wxWindow* parent, bool fit, bool setSizer) {
  auto* top = new wxBoxSizer(wxVERTICAL);
  auto* value = new wxBoxSizer(wxHORIZONTAL);
  value->Add(text(parent, ID_BPM_LABEL, "BPM value", 60, wxALIGN_RIGHT | wxST_NO_AUTORESIZE), 0,
             wxALIGN_CENTER_VERTICAL | wxALL, 5);
  value->Add(field(parent, ID_BPM_VALUE, "000.0", 50, wxTE_RIGHT), 0, wxALIGN_CENTER_VERTICAL | wxALL, 5);
  top->Add(value, 0, wxALIGN_CENTER_HORIZONTAL | wxALL, 5);
  top->Add(new wxButton(parent, ID_BPM_TAP, "Tap Beat", wxDefaultPosition, wxSize(120, -1)), 0,
           wxALIGN_CENTER_HORIZONTAL | wxALL, 5);
  const wxString modes[] = {"Manual input", "Automatic 75-150 BPM", "Automatic <100 BPM",
                            "Automatic >100 BPM"};
  auto* mode = new wxRadioBox(parent, ID_BPM_MODE, "Mode", wxDefaultPosition, wxDefaultSize, 4, modes, 1,
                              wxRA_SPECIFY_COLS);
  mode->SetSelection(0);
  top->Add(mode, 0, wxALIGN_CENTER_HORIZONTAL | wxALL, 5);
  auto* buttons = new wxBoxSizer(wxHORIZONTAL);
  auto* ok = new wxButton(parent, wxID_OK, "OK");
  ok->SetDefault();
  buttons->Add(ok, 0, wxALIGN_CENTER_VERTICAL | wxALL, 5);
  buttons->Add(new wxButton(parent, wxID_CANCEL, "Cancel"), 0, wxALIGN_CENTER_VERTICAL | wxALL, 5);
  top->Add(buttons, 0, wxALIGN_CENTER_HORIZONTAL | wxALL, 5);
  return finish(parent, top, fit, setSizer);
}

wxSizer* OrderColumnsDialogFunc(wxWindow* parent, bool fit, bool setSizer) {
  auto* top = new wxBoxSizer(wxVERTICAL);
  top->Add(text(parent, ID_COLUMNS_HINT, "Select column and move up or down"), 0, wxALL, 5);
  auto* row = new wxBoxSizer(wxHORIZONTAL);
  wxArrayString placeholders;
  for (int i = 0; i < 14; ++i) placeholders.Add("Item");
  row->Add(
      new wxListBox(parent, ID_COLUMNS_LIST, wxDefaultPosition, wxSize(140, 220), placeholders, wxLB_SINGLE),
      0, wxALL, 5);
  auto* buttons = new wxBoxSizer(wxVERTICAL);
  buttons->Add(new wxButton(parent, ID_COLUMNS_UP, "Move Up"), 0, wxALL, 5);
  buttons->Add(new wxButton(parent, ID_COLUMNS_DOWN, "Move Down"), 0, wxALL, 5);
  row->Add(buttons, 0, wxALL, 0);
  top->Add(row, 0, wxALL, 5);
  return finish(parent, top, fit, setSizer);
}
