#pragma once
// The process's own resource use, for the CPU meter.

// CPU time (user plus system) the whole process has used so far, in seconds.
// False when the system cannot say.
bool platformProcessCpuSeconds(double& seconds);
