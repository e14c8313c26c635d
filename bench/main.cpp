// DadaVizi's benchmark: every figure is measured next to a floor taken in the
// same run, and judged by its ratio to that floor, so that a slow machine or
// a busy Wine does not move the verdict.
//
//   DadaViziBench [--runs N] [--idle SECONDS] [--quick] [--csv FILE]
//
// Exit code 0 when every ratio stays within its bar, 1 when one passes it,
// 2 when a measurement could not be made.
#include "app/shared.h"
#include "bench/figures.h"
#include "bench/runs.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

int main(int argc, char **argv)
{
    BenchOptions options;
    std::string csv = "results.csv";
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "--quick") {
            options.idleSeconds = 10;
        } else if (arg == "--runs" && i + 1 < argc) {
            options.runs = std::max(1, std::atoi(argv[++i]));
        } else if (arg == "--idle" && i + 1 < argc) {
            options.idleSeconds = std::max(1, std::atoi(argv[++i]));
        } else if (arg == "--csv" && i + 1 < argc) {
            csv = argv[++i];
        } else {
            std::printf("usage: DadaViziBench [--runs N] [--idle SECONDS] [--quick] "
                        "[--csv FILE]\n");
            return arg == "--help" ? 0 : 2;
        }
    }
    if (FindWindowA(MONITOR_WINDOW_NAME, MONITOR_WINDOW_NAME)) {
        std::fprintf(stderr, "a DadaVizi monitor already runs in this prefix: end it first\n");
        return 2;
    }

    bool measured = MeasureProcesses(options) && MeasureMessages(options) && MeasureIdle(options);
    RemoveConfiguration();
    if (!measured) {
        std::fprintf(stderr, "a measurement failed\n");
        Report(options.runs, csv);
        return 2;
    }
    return Report(options.runs, csv);
}
