#pragma once
// Starts the toolkit once per test program so GUI tests can create windows (needs an X display,
// e.g. Xvfb). Safe to call from every test; later calls only report the first result.

namespace orvel_test {

// True when the toolkit is running; false (the caller skips) when there is no display.
bool ensureWxApp();

}  // namespace orvel_test
