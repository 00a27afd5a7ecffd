#pragma once
// The CPU and battery meters that the GUI tick shows in the skin.
// One thread per object (the render thread's tick).

#include <string>

#include "common/zr_time_counter.h"

class ZRCpuUsage {
 public:
  // powerSupplyRoot: where the kernel lists the power supplies; tests give a
  // folder of their own.
  explicit ZRCpuUsage(std::string powerSupplyRoot = "/sys/class/power_supply");

  // first is set to 0. load is the process's CPU time since the previous call
  // divided by the wall time in between and by the number of logical cores
  // (0..1, 1 when every core is busy); 0 on the first call and whenever the
  // process's resource use cannot be read.
  void getUsage(float& first, float& load);

  // 1 on mains power or when the machine reports no power information;
  // otherwise the smallest charge fraction of its batteries (at most 1).
  void getBatteryLevel(float& level);

  // The load formula: cpuSeconds / wallSeconds / cores, 0 when the wall time
  // or the core count is not positive.
  static float loadFromSamples(double cpuSeconds, double wallSeconds, int cores);

 private:
  int measured_ = 0;
  ZRHighPrecisionTimeCounter stopwatch_;
  double previousCpuSeconds_ = 0.0;
  int cores_;
  std::string powerSupplyRoot_;
};

// The operating system runs 64-bit.
bool isOS64bit();
