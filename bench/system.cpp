// Clocks, CPU time, memory counters and executable sizes.
#include "bench/system.h"

#include <cstring>
#include <vector>

double Microseconds()
{
    static LARGE_INTEGER frequency = {};
    if (!frequency.QuadPart)
        QueryPerformanceFrequency(&frequency);
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart) * 1e6 / static_cast<double>(frequency.QuadPart);
}

double CpuMilliseconds(HANDLE process)
{
    FILETIME created, exited, kernel, user;
    if (!GetProcessTimes(process, &created, &exited, &kernel, &user))
        return -1;
    ULARGE_INTEGER k, u;
    k.LowPart = kernel.dwLowDateTime;
    k.HighPart = kernel.dwHighDateTime;
    u.LowPart = user.dwLowDateTime;
    u.HighPart = user.dwHighDateTime;
    return static_cast<double>(k.QuadPart + u.QuadPart) / 1e4;
}

namespace {

// psapi's counters, declared here: the program's headers are those of the
// oldest target and hide the extended record.
struct MemoryCounters {
    DWORD cb;
    DWORD PageFaultCount;
    SIZE_T PeakWorkingSetSize;
    SIZE_T WorkingSetSize;
    SIZE_T QuotaPeakPagedPoolUsage;
    SIZE_T QuotaPagedPoolUsage;
    SIZE_T QuotaPeakNonPagedPoolUsage;
    SIZE_T QuotaNonPagedPoolUsage;
    SIZE_T PagefileUsage;
    SIZE_T PeakPagefileUsage;
    SIZE_T PrivateUsage;
};

}  // namespace

bool ReadMemory(HANDLE process, double *peakWorkingSetKiB, double *privateKiB)
{
    typedef BOOL(WINAPI * MemoryInfoCall)(HANDLE, MemoryCounters *, DWORD);
    static MemoryInfoCall memoryInfo = NULL;
    if (!memoryInfo) {
        HMODULE psapi = LoadLibraryA("psapi.dll");
        if (psapi)
            memoryInfo = reinterpret_cast<MemoryInfoCall>(
                reinterpret_cast<void *>(GetProcAddress(psapi, "GetProcessMemoryInfo")));
    }
    MemoryCounters counters;
    ZeroMemory(&counters, sizeof counters);
    counters.cb = sizeof counters;
    if (!memoryInfo || !memoryInfo(process, &counters, sizeof counters))
        return false;
    *peakWorkingSetKiB = static_cast<double>(counters.PeakWorkingSetSize) / 1024;
    *privateKiB = static_cast<double>(counters.PrivateUsage ? counters.PrivateUsage
                                                            : counters.PagefileUsage) /
                  1024;
    return true;
}

double CodeAndDataBytes(const std::string &path)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0,
                              NULL);
    if (file == INVALID_HANDLE_VALUE)
        return -1;
    std::vector<char> image(1 << 20);
    DWORD read = 0;
    ReadFile(file, image.data(), static_cast<DWORD>(image.size()), &read, NULL);
    CloseHandle(file);
    if (read < sizeof(IMAGE_DOS_HEADER))
        return -1;
    const IMAGE_DOS_HEADER *dos = reinterpret_cast<const IMAGE_DOS_HEADER *>(image.data());
    if (dos->e_magic != IMAGE_DOS_SIGNATURE || dos->e_lfanew <= 0 ||
        static_cast<DWORD>(dos->e_lfanew) + sizeof(IMAGE_NT_HEADERS) > read)
        return -1;
    const IMAGE_NT_HEADERS *nt =
        reinterpret_cast<const IMAGE_NT_HEADERS *>(image.data() + dos->e_lfanew);
    const IMAGE_SECTION_HEADER *section = IMAGE_FIRST_SECTION(nt);
    double bytes = 0;
    for (WORD i = 0; i < nt->FileHeader.NumberOfSections; ++i, ++section) {
        if (reinterpret_cast<const char *>(section + 1) > image.data() + read)
            return -1;
        if (std::strncmp(reinterpret_cast<const char *>(section->Name), ".rsrc", 8) != 0)
            bytes += section->SizeOfRawData;
    }
    return bytes;
}

double FileBytes(const std::string &path)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data))
        return -1;
    return static_cast<double>(data.nFileSizeLow) +
           static_cast<double>(data.nFileSizeHigh) * 4294967296.0;
}
