// DadaViziCheck.exe: explains an installation of the monitor, which itself
// fails silently by design.
#include "tools/config-check/check.h"

#include "app/shared.h"

int main(int argc, char **argv)
{
    // The same system directory, and so the same profile file and help
    // files, as the monitor's start-up works out.
    char directory[MAX_PATH] = "";
    InitMonitorPaths(directory, GetSystemDirectoryA(directory, sizeof directory));
    return RunConfigCheck(argc - 1, argv + 1, GetStdHandle(STD_OUTPUT_HANDLE));
}
