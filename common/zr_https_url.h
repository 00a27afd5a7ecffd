#pragma once
// The rule for addresses that the service windows and clients may open: an absolute "https://" address
// with a host and no user part, and nothing in it that could end or split the address (blanks, control
// characters, backslashes). Any other scheme - http, file, javascript, data, a custom one - is refused, so a
// page or a message cannot send a window somewhere unencrypted or local.
//
// Threads: any; no state.

#include <string_view>

// True when url is such an address. The scheme is matched without regard to case ("HTTPS://" passes).
bool isHttpsUrl(std::string_view url);
