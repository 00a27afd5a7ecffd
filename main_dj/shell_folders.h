#pragma once
// The folders of the application: where it runs from, the user's home and Documents folders, and the data
// folder "Halden-Orvel" in Documents with its subfolders, which start-up creates (parents included) and
// fills with the default content of the resources.
//
// The paths are set once on the main thread by InitializeApplicationFolders, before any other thread
// starts, and only read afterwards. Every folder path ends in "/", except theAppDir.

#include "common/zr_string.h"

// The folder the language chooser reads its "languages" folder from (no trailing separator): the working
// folder, the resources folder or the executable's folder, whichever has a "languages" folder (the
// working folder first, then the executable's, then the resources), else the working folder.
extern ZRString theAppDir;
extern ZRString UsrHomeDir;
extern ZRString UsrDocumentsDir;
extern ZRString theAppDataDir;
extern ZRString theDatabaseDir;
extern ZRString theSettingsDir;
extern ZRString theControllersDir;
extern ZRString theSkinsDir;
extern ZRString theSamplesDir;
extern ZRString theShadersDir;
extern ZRString theStripesDir;
extern ZRString theOverlaysDir;
extern ZRString theDemoSongsDir;
extern ZRString theRecordingsDir;

// The data folder's name in the user's Documents folder.
inline constexpr const char* kAppDataFolderName = "Halden-Orvel";

// Works out the folders from the executable's path, creates every missing folder with its parents (the
// data folder missing marks a first run, isFirstRun), and fills each of Samples, DemoSongs, Overlays and
// Shaders that holds no file from the resource folders samples, demo_songs, overlays and shaders/glsl.
// When a folder cannot be made the user is told once (tellUserAboutProblem) and the start goes on; the
// result is then false.
bool InitializeApplicationFolders(const char* executablePath);

// Copies of the folder paths.
ZRString GetAppDir();
ZRString GetUserHomeDir();
ZRString GetDatabaseDir();
ZRString GetControllersDir();
ZRString GetShadersDir();
ZRString GetOverlaysDir();
// (GetSamplesDir is common/shell_hooks.h's, which InitializeApplicationFolders sets.)

// The application's resources folder (or the executable's folder) with a trailing "/", followed by sub when
// sub, without its leading separator and with a trailing one, is longer than one character. "" when the
// folder is unknown.
ZRString getResourcesDir(const ZRString& sub);
ZRString getExecutableDir(const ZRString& sub);
