// Finding the printer to watch when no URI is given: the spooler's port of
// the printer named by the settings value "Printer".
#include "tools/ipp-source/discovery.h"

#include <windows.h>

#include <string.h>

#include "registry/settings.h"
#include "tools/common/bounded_text.h"
#include "tools/ipp-source/operations.h"

namespace {

const char STANDARD_TCP_PORTS[] =
    "SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors\\Standard TCP/IP Port\\Ports\\";

}  // namespace

bool FindPrinterUri(char *uri, int capacity, char *why, int whySize)
{
    const char *printer = ReadMonitorSetting("Printer");
    if (!printer[0]) {
        lstrcpynA(why, "no printer URI given and no value \"Printer\" in HKLM\\" SETTINGS_KEY,
                  whySize);
        return false;
    }
    char name[256];
    lstrcpynA(name, printer, sizeof name);

    HANDLE handle = NULL;
    if (!OpenPrinterA(name, &handle, NULL)) {
        Why(why, whySize, "the spooler knows no printer \"%.200s\" (error %lu)", name,
                  (unsigned long)GetLastError());
        return false;
    }
    char port[512] = "";
    DWORD needed = 0;
    GetPrinterA(handle, 2, NULL, 0, &needed);
    if (needed > 0 && needed < 1024 * 1024) {
        BYTE *data = (BYTE *)LocalAlloc(LMEM_FIXED, needed);
        if (data && GetPrinterA(handle, 2, data, needed, &needed)) {
            const PRINTER_INFO_2A *info = (const PRINTER_INFO_2A *)data;
            if (info->pPortName)
                lstrcpynA(port, info->pPortName, sizeof port);
        }
        if (data)
            LocalFree(data);
    }
    ClosePrinter(handle);
    // A printer may print to several ports: the first one is asked.
    for (char *c = port; *c; ++c)
        if (*c == ',') {
            *c = '\0';
            break;
        }
    if (!port[0]) {
        Why(why, whySize, "the spooler gives no port for printer \"%.200s\"", name);
        return false;
    }
    return UriFromPort(port, uri, capacity, why, whySize);
}

bool UriFromPort(const char *port, char *uri, int capacity, char *why, int whySize)
{
    // A port named by a URL (Windows' Internet Printing client, "http://...",
    // or one an IPP driver named "ipp://...") gives that URL. A WSD port
    // ("WSD-<id>") holds no URL: its device is known only to the WSD port
    // monitor, so it ends below with a reason.
    for (const char *c = port; *c; ++c)
        if (c[0] == ':' && c[1] == '/' && c[2] == '/')
            return (capacity > 0 && CopyWhole(uri, (size_t)capacity, port, strlen(port))) ||
                   (lstrcpynA(why, "the port's URL is too long", whySize), false);

    // Wine hands its printers to CUPS as "CUPS:<queue>".
    if (lstrlenA(port) >= 5 &&
        CompareStringA(LOCALE_SYSTEM_DEFAULT, NORM_IGNORECASE, port, 5, "CUPS:", 5) ==
            CSTR_EQUAL) {
        if (!port[5]) {
            lstrcpynA(why, "the printer's port \"CUPS:\" names no queue", whySize);
            return false;
        }
        if (lstrlenA(port + 5) + 40 >= capacity) {
            lstrcpynA(why, "the CUPS queue name is too long", whySize);
            return false;
        }
        wsprintfA(uri, "ipp://localhost:631/printers/%s", port + 5);
        return true;
    }

    // A standard TCP/IP port keeps its host in the port monitor's settings.
    char path[600];
    wsprintfA(path, "%s%.300s", STANDARD_TCP_PORTS, port);
    HKEY key;
    char host[256] = "";
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, KEY_QUERY_VALUE, &key) == ERROR_SUCCESS) {
        const char *names[] = {"HostName", "IPAddress"};
        for (const char *value : names) {
            DWORD size = sizeof host - 1;
            DWORD type = 0;
            if (RegQueryValueExA(key, value, NULL, &type, (BYTE *)host, &size) ==
                    ERROR_SUCCESS &&
                type == REG_SZ) {
                host[size < sizeof host ? size : sizeof host - 1] = '\0';
                if (host[0])
                    break;
            }
            host[0] = '\0';
        }
        RegCloseKey(key);
    }
    if (host[0]) {
        if (lstrlenA(host) + 22 >= capacity) {
            lstrcpynA(why, "the port's host name is too long", whySize);
            return false;
        }
        // An IPv6 address goes in brackets, or its colons would read as a port.
        bool bare = host[0] != '[' && strchr(host, ':') != NULL;
        wsprintfA(uri, bare ? "ipp://[%s]/ipp/print" : "ipp://%s/ipp/print", host);
        return true;
    }
    Why(why, whySize,
              "the printer's port \"%.200s\" is neither a URL, a CUPS queue nor a standard "
              "TCP/IP port with a host: give the printer URI",
              port);
    return false;
}
