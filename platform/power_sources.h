#pragma once
// The machine's power supplies as the kernel lists them under
// /sys/class/power_supply (one folder per supply), for the battery meter.

#include <string>
#include <vector>

struct PlatformPowerSupply {
  std::string name;  // the folder name, e.g. "BAT0", "AC"
  std::string type;  // "Battery", "Mains", "UPS", "USB" ...
  int online = -1;   // 1 delivering power, 0 not, -1 unknown
  // Battery charge (batteries only) as a fraction of full: energy_now / energy_full, else
  // charge_now / charge_full, else capacity / 100; -1 when none can be read.
  double fraction = -1.0;
};

// The supplies under root, sorted by name; empty when root cannot be read.
// Tests pass a folder of their own instead of the system's.
std::vector<PlatformPowerSupply> platformReadPowerSupplies(
    const std::string& root = "/sys/class/power_supply");
