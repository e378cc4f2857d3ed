#pragma once
// Small measuring pieces shared by the benchmark programs.
#include <functional>
#include <vector>

// The median of the figures (NaN when there are none).
double median(std::vector<double> v);
// How long f takes on the clock, in ms.
double timeMs(const std::function<void()>& f);
// A line of /proc/self/status ("VmHWM", "VmRSS", ...) in kB; 0 when unknown.
long long statusKb(const char* key);
// Resets the peak RSS to the current RSS (Linux 4.0 and later).
bool resetPeakRss();
