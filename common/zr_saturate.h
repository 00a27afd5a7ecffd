#pragma once
// Converting floating-point values that come from outside (skin numbers, solver results, pointer positions)
// to int without undefined behaviour: the value truncated toward zero as a cast would, but NaN gives 0 and
// values beyond the int range give its ends.

#include <climits>
#include <cmath>

inline int saturatedInt(double value) {
  if (std::isnan(value)) return 0;
  if (value <= static_cast<double>(INT_MIN)) return INT_MIN;
  if (value >= static_cast<double>(INT_MAX)) return INT_MAX;
  return static_cast<int>(value);
}
