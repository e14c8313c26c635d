// The measurements: the programs as processes (size, start, memory), the
// status messages through the monitor's own window procedure in this
// process, and both idle side by side. Each adds its figures.
#ifndef DADAVIZI_BENCH_RUNS_H
#define DADAVIZI_BENCH_RUNS_H

struct BenchOptions {
    int runs = 7;
    int idleSeconds = 60;
};

bool MeasureProcesses(const BenchOptions &options);
bool MeasureMessages(const BenchOptions &options);
bool MeasureIdle(const BenchOptions &options);

// The installation the measurements use; removed at the end.
void RemoveConfiguration();

#endif
