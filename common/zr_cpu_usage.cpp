#include "common/zr_cpu_usage.h"

#include "common/zr_logging.h"
#include "common/zr_thread_utils.h"
#include "platform/os_info.h"
#include "platform/power_sources.h"
#include "platform/process_meter.h"

ZRCpuUsage::ZRCpuUsage(std::string powerSupplyRoot)
    : cores_(getTotalLogicalCores()), powerSupplyRoot_(std::move(powerSupplyRoot)) {}

float ZRCpuUsage::loadFromSamples(double cpuSeconds, double wallSeconds, int cores) {
  if (!(wallSeconds > 0.0) || cores <= 0) return 0.0f;
  return static_cast<float>(cpuSeconds / wallSeconds / cores);
}

void ZRCpuUsage::getUsage(float& first, float& load) {
  first = 0.0f;
  load = 0.0f;
  double cpuSeconds = 0.0;
  if (!platformProcessCpuSeconds(cpuSeconds)) return;
  stopwatch_.takeNewMeasurement();
  if (measured_ != 0) {
    const double wallSeconds = static_cast<double>(stopwatch_.last - stopwatch_.previous) / 1000.0;
    load = loadFromSamples(cpuSeconds - previousCpuSeconds_, wallSeconds, cores_);
  }
  measured_ = 1;
  previousCpuSeconds_ = cpuSeconds;
}

void ZRCpuUsage::getBatteryLevel(float& level) {
  level = 1.0f;
  const std::vector<PlatformPowerSupply> supplies = platformReadPowerSupplies(powerSupplyRoot_);
  if (supplies.empty()) return;
  // Mains (or USB) power delivering: the batteries are not running down. A
  // UPS delivering counts the same, as it is not the machine's own battery.
  for (const PlatformPowerSupply& s : supplies) {
    if (s.type != "Battery" && s.online == 1) return;
  }
  bool anyBattery = false;
  for (const PlatformPowerSupply& s : supplies) {
    if (s.type != "Battery") continue;
    anyBattery = true;
    if (s.fraction < 0.0) {
      ZRLOG("Error in IOPSGetPowerSourceDescription");
      return;
    }
    if (s.fraction < level) level = static_cast<float>(s.fraction);
  }
  if (!anyBattery) ZRLOG("Error in CFArrayGetCount");
}

bool isOS64bit() {
  return platformIsOS64bit();
}
