// Figures for the summary that `./run bench` prints after every benchmark
// program has run: each program prints its figures as lines
//   figure|NAME|VALUE|UNIT|LIMIT|NOTE     a figure and its limit (same unit)
//   baseline|NAME|VALUE|UNIT              a measure of the machine, same run
// and the summary lists them with each figure's ratio to its limit. Also the
// small timing helpers the timed tools share.
#pragma once

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

namespace ce::bench {

inline void PrintFigure(const char* name, double value, const char* unit, double limit, const char* note = "") {
    std::printf("figure|%s|%.4g|%s|%.4g|%s\n", name, value, unit, limit, note);
}

inline void PrintBaseline(const char* name, double value, const char* unit) {
    std::printf("baseline|%s|%.4g|%s\n", name, value, unit);
}

using Clock = std::chrono::steady_clock;

inline double Median(std::vector<double> v) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

inline double MsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// "Key17" from (u"Key", 17).
inline std::u16string Numbered(const char16_t* prefix, int i) {
    std::u16string s = prefix;
    for (char c : std::to_string(i)) s += static_cast<char16_t>(c);
    return s;
}

}  // namespace ce::bench
