#include "platform/power_sources.h"

#include <dirent.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <fstream>

namespace {

bool readLine(const std::string& path, std::string& out) {
  std::ifstream in(path);
  if (!in.is_open() || !std::getline(in, out)) return false;
  while (!out.empty() && (out.back() == '\n' || out.back() == '\r' || out.back() == ' ')) out.pop_back();
  return true;
}

bool readNumber(const std::string& path, double& out) {
  std::string text;
  if (!readLine(path, text) || text.empty()) return false;
  char* end = nullptr;
  errno = 0;
  const long long value = std::strtoll(text.c_str(), &end, 10);
  if (errno != 0 || end == text.c_str()) return false;
  out = static_cast<double>(value);
  return true;
}

double readFraction(const std::string& folder) {
  double now = 0, full = 0;
  if (readNumber(folder + "/energy_now", now) && readNumber(folder + "/energy_full", full) && full > 0) {
    return now / full;
  }
  if (readNumber(folder + "/charge_now", now) && readNumber(folder + "/charge_full", full) && full > 0) {
    return now / full;
  }
  double percent = 0;
  if (readNumber(folder + "/capacity", percent)) return percent / 100.0;
  return -1.0;
}

}  // namespace

std::vector<PlatformPowerSupply> platformReadPowerSupplies(const std::string& root) {
  std::vector<PlatformPowerSupply> supplies;
  DIR* dir = opendir(root.c_str());
  if (dir == nullptr) return supplies;
  while (dirent* entry = readdir(dir)) {
    const std::string name = entry->d_name;
    if (name == "." || name == "..") continue;
    const std::string folder = root + "/" + name;
    PlatformPowerSupply supply;
    supply.name = name;
    if (!readLine(folder + "/type", supply.type)) continue;  // not a supply folder
    double online = 0;
    if (readNumber(folder + "/online", online)) supply.online = online != 0 ? 1 : 0;
    if (supply.type == "Battery") supply.fraction = readFraction(folder);
    supplies.push_back(supply);
  }
  closedir(dir);
  std::sort(supplies.begin(), supplies.end(),
            [](const PlatformPowerSupply& a, const PlatformPowerSupply& b) { return a.name < b.name; });
  return supplies;
}
