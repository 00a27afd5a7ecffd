#include "platform/os_info.h"

#include <sys/utsname.h>

#include <cstring>

bool platformIsOS64bit() {
  utsname info{};
  if (uname(&info) != 0) return sizeof(void*) == 8;
  // x86_64, aarch64, ppc64le, s390x, riscv64, mips64 ...
  return std::strstr(info.machine, "64") != nullptr || std::strcmp(info.machine, "s390x") == 0;
}
