#pragma once
// MeridexApp: the application object the toolkit makes at process start. Its OnInit is the start-up before
// the main window: the command line, the data folders and their default content, the language file, the
// "Loading..." picture window, then the main window, which starts the engine. Its OnExit makes sure the
// engine is shut down (and everything saved) however the event loop ended.
//
// Main thread only.

#include <wx/app.h>

#include "main_dj/engine_lifecycle.h"

class wxWindow;

class MeridexApp : public wxApp {
 public:
  bool OnInit() override;
  int OnExit() override;

  // Null until OnInit has made it, and again once it is destroyed.
  wxWindow* getMainWindow() const;

 private:
  void OnClose(wxCloseEvent& event);

  wxDECLARE_EVENT_TABLE();
};

// The start-up steps before the main window, for OnInit: runFromIDE from the first argument only, the
// folders from argv[0], the language (false: the user declined the chooser or it cannot be loaded; the
// start ends), the picture decoders, and the "Loading..." window.
bool startApplicationBeforeMainWindow(int argc, char** argv);
