// Figures for the summary that `./run bench` prints after every benchmark
// program has run: each program prints its figures as lines
//   figure|NAME|VALUE|UNIT|LIMIT|NOTE     a figure and its limit (same unit)
//   baseline|NAME|VALUE|UNIT              a measure of the machine, same run
// and the summary lists them with each figure's ratio to its limit.
#pragma once

#include <cstdio>

namespace ce::bench {

inline void PrintFigure(const char* name, double value, const char* unit, double limit, const char* note = "") {
    std::printf("figure|%s|%.4g|%s|%.4g|%s\n", name, value, unit, limit, note);
}

inline void PrintBaseline(const char* name, double value, const char* unit) {
    std::printf("baseline|%s|%.4g|%s\n", name, value, unit);
}

}  // namespace ce::bench
