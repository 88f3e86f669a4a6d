// Timing and summary helpers shared by the bench programs that run under Wine.
#pragma once

#include <algorithm>
#include <vector>

#include "toolkit/Win32.h"

// Seconds on the performance counter (only differences mean anything).
inline double BenchNow() {
    LARGE_INTEGER f, c;
    QueryPerformanceFrequency(&f);
    QueryPerformanceCounter(&c);
    return static_cast<double>(c.QuadPart) / static_cast<double>(f.QuadPart);
}

// The value at quantile q (0..1) of the samples, the nearest rank; 0 for no samples.
inline double Quantile(std::vector<double> v, double q) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[static_cast<size_t>(q * static_cast<double>(v.size() - 1) + 0.5)];
}

inline double Median(const std::vector<double>& v) { return Quantile(v, 0.5); }
