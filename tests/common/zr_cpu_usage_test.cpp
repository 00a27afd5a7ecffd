#include "common/zr_cpu_usage.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <string>
#include <vector>

#include "common/zr_time_counter.h"
#include "support/log_capture.h"
#include "support/test_support.h"

namespace {

// The log lines of the last FakePowerSupplies::level().
std::vector<std::string> gLines;

// A fake /sys/class/power_supply tree.
class FakePowerSupplies {
 public:
  void add(const std::string& name, const std::vector<std::pair<std::string, std::string>>& files) {
    const std::string folder = dir_.file(name);
    mkdir(folder.c_str(), 0755);
    for (const auto& [file, content] : files) orvel_test::writeFile(folder + "/" + file, content + "\n");
  }
  float level() {
    orvel_test::LogCapture log;
    ZRCpuUsage meter(dir_.path());
    float value = -1;
    meter.getBatteryLevel(value);
    gLines = log.lines();
    return value;
  }
  const std::string& root() const { return dir_.path(); }

 private:
  orvel_test::TempDir dir_;
};

std::vector<std::string> lines() {
  return gLines;
}

TEST(BatteryLevel, NoPowerInformationMeansMains) {
  FakePowerSupplies none;
  EXPECT_FLOAT_EQ(none.level(), 1.0f);
  ZRCpuUsage missing("/nonexistent/power_supply");
  float level = -1;
  missing.getBatteryLevel(level);
  EXPECT_FLOAT_EQ(level, 1.0f);
}

TEST(BatteryLevel, OnMainsIsFull) {
  FakePowerSupplies sys;
  sys.add("AC", {{"type", "Mains"}, {"online", "1"}});
  sys.add("BAT0", {{"type", "Battery"}, {"capacity", "40"}});
  EXPECT_FLOAT_EQ(sys.level(), 1.0f);
}

TEST(BatteryLevel, SmallestBatteryFractionOnBatteryPower) {
  FakePowerSupplies sys;
  sys.add("AC", {{"type", "Mains"}, {"online", "0"}});
  sys.add("BAT0", {{"type", "Battery"}, {"energy_now", "40000000"}, {"energy_full", "50000000"}});  // 0.8
  sys.add("BAT1", {{"type", "Battery"}, {"charge_now", "1500000"}, {"charge_full", "3000000"}});    // 0.5
  sys.add("hidpp_battery_0", {{"type", "Battery"}, {"capacity", "70"}, {"scope", "Device"}});
  EXPECT_FLOAT_EQ(sys.level(), 0.5f);
  EXPECT_TRUE(lines().empty());
}

TEST(BatteryLevel, ChargeAboveFullCountsAsFull) {
  FakePowerSupplies sys;
  sys.add("BAT0", {{"type", "Battery"}, {"energy_now", "52000000"}, {"energy_full", "50000000"}});
  EXPECT_FLOAT_EQ(sys.level(), 1.0f);
}

TEST(BatteryLevel, UnreadableBatteryEndsTheWalk) {
  FakePowerSupplies sys;
  sys.add("BAT0", {{"type", "Battery"}, {"capacity", "60"}});
  sys.add("BAT1", {{"type", "Battery"}, {"status", "Unknown"}});
  sys.add("BAT2", {{"type", "Battery"}, {"capacity", "10"}});
  EXPECT_FLOAT_EQ(sys.level(), 0.6f);
  EXPECT_EQ(lines(), std::vector<std::string>{"-- ztv: Error in IOPSGetPowerSourceDescription"});
}

TEST(BatteryLevel, OffMainsWithoutBatteryIsLogged) {
  FakePowerSupplies sys;
  sys.add("AC", {{"type", "Mains"}, {"online", "0"}});
  EXPECT_FLOAT_EQ(sys.level(), 1.0f);
  EXPECT_EQ(lines(), std::vector<std::string>{"-- ztv: Error in CFArrayGetCount"});
}

TEST(CpuUsage, LoadFormula) {
  EXPECT_FLOAT_EQ(ZRCpuUsage::loadFromSamples(0.5, 1.0, 4), 0.125f);
  EXPECT_FLOAT_EQ(ZRCpuUsage::loadFromSamples(2.0, 1.0, 2), 1.0f);
  EXPECT_FLOAT_EQ(ZRCpuUsage::loadFromSamples(0.5, 0.0, 4), 0.0f);
  EXPECT_FLOAT_EQ(ZRCpuUsage::loadFromSamples(0.5, 1.0, 0), 0.0f);
}

TEST(CpuUsage, FirstCallIsZeroAndBusyWorkShows) {
  ZRCpuUsage meter;
  float first = 5, load = 5;
  meter.getUsage(first, load);
  EXPECT_FLOAT_EQ(first, 0);
  EXPECT_FLOAT_EQ(load, 0);
  // Keep this thread busy for a while so the next reading has CPU time to show.
  const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(60);
  volatile double sink = 0;
  while (std::chrono::steady_clock::now() < until) sink = sink + 1.0;
  meter.getUsage(first, load);
  EXPECT_FLOAT_EQ(first, 0);
  EXPECT_GT(load, 0.0f);
  EXPECT_LE(load, 1.05f);
}

TEST(TimeCounter, StampsMoveAsMeasurementsAreTaken) {
  ZRHighPrecisionTimeCounter t;
  const int64_t a = t.takeNewMeasurement();
  EXPECT_EQ(t.first, a);
  EXPECT_EQ(t.previous, a);
  EXPECT_EQ(t.last, a);
  const int64_t b = t.takeNewMeasurement();
  EXPECT_GE(b, a);
  EXPECT_EQ(t.first, a);
  EXPECT_EQ(t.previous, a);
  EXPECT_EQ(t.last, b);
  const int64_t c = t.takeNewMeasurement();
  EXPECT_GE(c, b);
  EXPECT_EQ(t.first, a);
  EXPECT_EQ(t.previous, b);
  EXPECT_EQ(t.last, c);
  t.count = 0;  // the owner starts over
  const int64_t d = t.takeNewMeasurement();
  EXPECT_EQ(t.first, d);
  EXPECT_EQ(t.previous, d);
}

TEST(SystemInfo, SixtyFourBitOnThisMachine) {
#if defined(__x86_64__) || defined(__aarch64__)
  EXPECT_TRUE(isOS64bit());
#endif
}

}  // namespace
