#pragma once
// The shader list ("Edit shaders": rename and remove the shaders of the shader layer, or go on to the
// import) and the import prompt (a shader's web address, imported in the background; a failure is shown
// in a message box when it is reported).
//
// Main thread only (toolkit dialogs); both do nothing without the shader layer.

class wxSizer;
class wxWindow;

// Window ids of the shader list's controls.
enum : int {
  kShaderListHint = 10222,
  kShaderListBox = 10223,
  kShaderListAdd = 10224,
  kShaderListRename = 10225,
  kShaderListRemove = 10226,
  kShaderListClose = 10227,
};

// The list's layout in parent: the hint, the list box (220 x 220, 14 placeholder lines) and the button
// column "Add ...", "Rename", "Remove", a 20 x 20 gap, "Close".
wxSizer* EditShadersDialogFunc(wxWindow* parent, bool fit, bool setSizer);

// Opens the list modally (on the application's top window), filled with the shaders' names in list
// order; returns when it closes.
void ShowEditShadersDialog();
// Asks for a shader's web address and, when one is given, starts its import, which makes it the current
// shader; returns at once.
void ShowAddShaderDialog();
