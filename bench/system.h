// What the system tells about a process or a file: clocks, CPU time,
// memory, and the size of an executable's code and data.
#ifndef DADAVIZI_BENCH_SYSTEM_H
#define DADAVIZI_BENCH_SYSTEM_H

#include <windows.h>

#include <string>

double Microseconds();
// User and kernel time of the process so far; -1 when it cannot be read.
double CpuMilliseconds(HANDLE process);
bool ReadMemory(HANDLE process, double *peakWorkingSetKiB, double *privateKiB);
// Bytes of the file's sections other than its resources; -1 when unreadable.
double CodeAndDataBytes(const std::string &path);
double FileBytes(const std::string &path);

#endif
