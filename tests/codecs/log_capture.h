#pragma once
// The codec tests include the log capture by this name; it is the shared one of every test program.

#include "support/log_capture.h"
