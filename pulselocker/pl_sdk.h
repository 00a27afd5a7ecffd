#pragma once
// Whether the streaming service's SDK can be had. Its closed library exists for macOS only (there it is
// loaded from the program's folder); Linux has no build of it, so nothing here loads any library - a
// library of that name on Linux is the sound server's client, not the SDK. The SDK's objects exist only
// where something installed them through pl::Singleton (the tests' fake SDK does).
//
// Threads: any.

namespace pl {

// True when the SDK's root object exists. Otherwise false, and the first call of the process logs the
// one line saying that the SDK has no Linux build.
bool sdkAvailable();

}  // namespace pl
