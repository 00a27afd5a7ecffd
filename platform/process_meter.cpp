#include "platform/process_meter.h"

#include <sys/resource.h>

bool platformProcessCpuSeconds(double& seconds) {
  rusage usage{};
  if (getrusage(RUSAGE_SELF, &usage) != 0) return false;
  seconds = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
            static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) * 1e-6;
  return true;
}
