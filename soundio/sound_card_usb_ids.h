#pragma once
// The USB vendor and product ids of a sound card, read from sysfs: /sys/class/sound/card<N>/device leads to
// the card's USB interface, whose device (a folder or two up) holds "idVendor" and "idProduct" as
// hexadecimal text. A card that is not on USB has none. The sysfs root is a parameter so that tests can
// lay out a tree of their own.
//
// Threads: any.

#include <string>

// True with both ids (above 0) when card's device sits on USB; false and 0, 0 otherwise.
bool soundCardUsbIds(const std::string& sysfsRoot, int card, int& vendorId, int& productId);
