// Ending the resident programs: WM_CLOSE to each of their hidden windows,
// then a bounded wait for each process, so that their files are free when
// this returns.
#include "tools/common/resident.h"

#include "tools/common/report.h"

namespace {

// Windows handled per round; any beyond are found by the next round.
const int MAX_WINDOWS = 64;

struct Target {
    HWND window;
    HANDLE process;  // NULL when this user may not wait for it
    bool posted;     // false when Windows kept WM_CLOSE from it
};

// Every window of `names` on this desktop, MAX_WINDOWS at most. FindWindow
// would give the first one only; FindWindowEx walks the top-level windows
// comparing class and title as FindWindow does.
int FindTargets(const char *const *names, int nameCount, Target *targets)
{
    int count = 0;
    for (int index = 0; index < nameCount; ++index) {
        HWND window = NULL;
        while (count < MAX_WINDOWS &&
               (window = FindWindowExA(NULL, window, names[index], names[index])) != NULL) {
            targets[count].window = window;
            targets[count].process = NULL;
            targets[count].posted = false;
            ++count;
        }
    }
    return count;
}

void NameList(const char *const *names, int nameCount, char *list, int size)
{
    list[0] = '\0';
    for (int index = 0; index < nameCount; ++index) {
        int used = lstrlenA(list);
        if (size - used < 80)
            break;
        wsprintfA(list + used, "%s\"%.60s\"", index ? " or " : "", names[index]);
    }
}

}  // namespace

int CloseResidentWindows(const char *const *names, int nameCount, DWORD timeout, char *why)
{
    why[0] = '\0';
    Target targets[MAX_WINDOWS];
    char list[400];
    NameList(names, nameCount, list, sizeof list);
    bool foundAny = false;
    DWORD start = GetTickCount();
    for (;;) {
        int count = FindTargets(names, nameCount, targets);
        if (count == 0) {
            if (foundAny)
                return CLOSE_DONE;
            wsprintfA(why, "no window %.400s is open", list);
            return CLOSE_NONE_OPEN;
        }
        foundAny = true;
        if (GetTickCount() - start >= timeout) {
            char className[80] = "";
            GetClassNameA(targets[0].window, className, sizeof className);
            wsprintfA(why, "the program of the window \"%.60s\" did not end within %lu seconds",
                      className, (unsigned long)(timeout / 1000));
            return CLOSE_NOT_ENDED;
        }
        DWORD refused = ERROR_SUCCESS;
        for (int index = 0; index < count; ++index) {
            DWORD processId = 0;
            GetWindowThreadProcessId(targets[index].window, &processId);
            // Opened before the request, so that the id cannot pass to
            // another process in between. Without the right to wait for
            // it, the window's end is the sign instead.
            if (processId)
                targets[index].process = OpenProcess(SYNCHRONIZE, FALSE, processId);
            targets[index].posted = PostMessageA(targets[index].window, WM_CLOSE, 0, 0) != FALSE;
            if (!targets[index].posted) {
                DWORD error = GetLastError();
                if (IsWindow(targets[index].window))  // not just gone by itself meanwhile
                    refused = error;
            }
        }
        for (int index = 0; index < count; ++index) {
            DWORD elapsed = GetTickCount() - start;
            DWORD left = elapsed < timeout ? timeout - elapsed : 0;
            if (targets[index].process) {
                if (targets[index].posted)
                    WaitForSingleObject(targets[index].process, left);
                CloseHandle(targets[index].process);
            } else if (targets[index].posted) {
                while (IsWindow(targets[index].window) && GetTickCount() - start < timeout)
                    Sleep(50);
            }
        }
        if (refused != ERROR_SUCCESS) {
            // User-interface privilege isolation (Vista and later) drops
            // messages to a process of higher integrity.
            wsprintfA(why,
                      "Windows kept the request from a window %.400s (error %lu); its program "
                      "may run with higher rights (as administrator) than this one",
                      list, (unsigned long)refused);
            return CLOSE_NOT_ENDED;
        }
    }
}

HWND CreateNamedWindow(const char *name, WNDPROC procedure)
{
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = GetModuleHandleA(NULL);
    windowClass.lpszClassName = name;
    RegisterClassA(&windowClass);
    return CreateWindowExA(0, name, name, 0, 0, 0, 0, 0, NULL, NULL, GetModuleHandleA(NULL), NULL);
}
