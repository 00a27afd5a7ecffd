#include "main_dj/shader_dialogs.h"

#include <wx/app.h>
#include <wx/button.h>
#include <wx/dialog.h>
#include <wx/listbox.h>
#include <wx/sizer.h>
#include <wx/stattext.h>

#include <memory>

#include "common/zr_global_task_dispatch.h"
#include "common/zr_logging.h"
#include "gui/zr_message_dialogs.h"
#include "main_dj/shader_actions.h"
#include "video_mixing/zr_overlay_graphics_shader_layer.h"

namespace {

wxString text(const ZRString& s) {
  return wxString::FromUTF8(s.utf8().c_str());
}

ZRString fromWx(const wxString& s) {
  return ZRString(std::string(s.utf8_str().data()));
}

// The list dialog: it keeps no state of its own; its lines are the layer's shaders in list order.
class ShaderListDialog : public wxDialog {
 public:
  explicit ShaderListDialog(wxWindow* parent)
      : wxDialog(parent, wxID_ANY, "Edit shaders", wxDefaultPosition, wxDefaultSize,
                 wxDEFAULT_DIALOG_STYLE | wxRESIZE_BORDER) {
    EditShadersDialogFunc(this, true, true);
    Bind(wxEVT_BUTTON, &ShaderListDialog::onButton, this);
    Bind(wxEVT_CLOSE_WINDOW, [this](wxCloseEvent&) { finish(wxID_CANCEL); });
  }

 private:
  void finish(int code) {
    if (IsModal()) {
      EndModal(code);
    } else {
      SetReturnCode(code);
      Hide();
    }
  }

  void onButton(wxCommandEvent& event) {
    auto* list = dynamic_cast<wxListBox*>(FindWindow(kShaderListBox));
    std::shared_ptr<ZROverlayGraphicsShaderLayer> layer = overlayGraphicsLayerShader();
    const int line = list != nullptr ? list->GetSelection() : wxNOT_FOUND;
    switch (event.GetId()) {
      case kShaderListRename:
        if (list != nullptr && layer && line != wxNOT_FOUND) {
          const ZRString answer =
              showGetTextFromUserDialog(ZRString("Please edit the shader name"), ZRString("Rename shader"),
                                        fromWx(list->GetString(line)), nullptr);
          if (!answer.empty() && layer->renameShader(line, answer)) list->SetString(line, text(answer));
        }
        break;
      case kShaderListRemove:
        if (list != nullptr && layer && line != wxNOT_FOUND && layer->removeShaderFromList(line))
          list->Delete(line);
        break;
      case kShaderListAdd:
        // The list closes before the prompt shows; after the import it is not opened again.
        finish(wxID_OK);
        ShowAddShaderDialog();
        break;
      case kShaderListClose:
        finish(wxID_CANCEL);
        break;
      default:
        event.Skip();
        return;
    }
    event.Skip();
  }
};

}  // namespace

wxSizer* EditShadersDialogFunc(wxWindow* parent, bool fit, bool setSizer) {
  auto* top = new wxBoxSizer(wxVERTICAL);
  top->Add(new wxStaticText(parent, kShaderListHint, "Select shader to rename or remove"), 0, wxALL, 5);
  auto* row = new wxBoxSizer(wxHORIZONTAL);
  wxArrayString placeholders;
  for (int i = 0; i < 14; ++i) placeholders.Add("Item");
  row->Add(
      new wxListBox(parent, kShaderListBox, wxDefaultPosition, wxSize(220, 220), placeholders, wxLB_SINGLE),
      1, wxEXPAND | wxALL, 5);
  auto* buttons = new wxBoxSizer(wxVERTICAL);
  buttons->Add(new wxButton(parent, kShaderListAdd, "Add ..."), 0, wxALL, 5);
  buttons->Add(new wxButton(parent, kShaderListRename, "Rename"), 0, wxALL, 5);
  buttons->Add(new wxButton(parent, kShaderListRemove, "Remove"), 0, wxALL, 5);
  buttons->Add(20, 20, 0, wxALL, 5);
  buttons->Add(new wxButton(parent, kShaderListClose, "Close"), 0, wxALL, 5);
  row->Add(buttons, 0, wxALL, 0);
  top->Add(row, 1, wxEXPAND | wxALL, 0);
  if (setSizer) {
    parent->SetSizer(top);
    if (fit) top->SetSizeHints(parent);
  }
  return top;
}

void ShowEditShadersDialog() {
  std::shared_ptr<ZROverlayGraphicsShaderLayer> layer = overlayGraphicsLayerShader();
  if (!layer) return;
  ShaderListDialog dialog(wxTheApp != nullptr ? wxTheApp->GetTopWindow() : nullptr);
  layer->populateListBox_Shaders(dynamic_cast<wxListBox*>(dialog.FindWindow(kShaderListBox)));
  dialog.Centre(wxBOTH);
  runDialogModal(dialog);
}

void ShowAddShaderDialog() {
  std::shared_ptr<ZROverlayGraphicsShaderLayer> layer = overlayGraphicsLayerShader();
  if (!layer) return;
  const ZRString address = showGetTextFromUserDialog(
      ZRString("Please enter the full web address of a shader on the shader-sharing site:"),
      ZRString("Add a new shader from the shader-sharing site"), ZRString(), nullptr);
  if (address.empty()) return;
  layer->getAndConvertWebGLShader(
      address, true,
      [](int, double, bool success, ZRString message) {
        if (!success) showMessageDialog(message, ZRString(), nullptr);
        return true;
      },
      &ZRGlobalTaskDispatch::getInstance()->mainQueue);
}
