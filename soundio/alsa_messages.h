#pragma once
// ALSA reports every failed open or probe on stderr itself; the failures reach us as error codes anyway,
// and we log them once in our own words. Any thread; the setting is process-wide.

// Sends ALSA's own error messages nowhere.
void quietAlsaErrorMessages();
