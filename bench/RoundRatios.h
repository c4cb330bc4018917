#pragma once

// Ratios between a measured side and its baseline, taken round by round in one run, so that
// each holds for the machine as it was at that moment.
#include <algorithm>
#include <benchmark/benchmark.h>
#include <string>
#include <vector>

inline double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// ratio_min, ratio_median and ratio_max of the rounds' ratios (another name than "ratio" for a
// second figure of the same rounds).
inline void setRatioCounters(benchmark::State& state, const std::vector<double>& ratios,
                             const std::string& name = "ratio")
{
    state.counters[name + "_min"] = *std::min_element(ratios.begin(), ratios.end());
    state.counters[name + "_median"] = median(ratios);
    state.counters[name + "_max"] = *std::max_element(ratios.begin(), ratios.end());
}
