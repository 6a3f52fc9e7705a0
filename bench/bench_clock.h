// The benchmarks' clock, and the median they report.
#pragma once

#include <windows.h>

#include <algorithm>
#include <vector>

// Seconds on the performance counter, for differences between two readings.
inline double Seconds() {
    LARGE_INTEGER counter, frequency;
    ::QueryPerformanceCounter(&counter);
    ::QueryPerformanceFrequency(&frequency);
    return static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

inline double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}
