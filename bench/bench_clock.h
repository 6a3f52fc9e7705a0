// The benchmarks' clock.
#pragma once

#include <windows.h>

// Seconds on the performance counter, for differences between two readings.
inline double Seconds() {
    LARGE_INTEGER counter, frequency;
    ::QueryPerformanceCounter(&counter);
    ::QueryPerformanceFrequency(&frequency);
    return static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}
