// DadaViziStart.exe: starts one resident program again once an
// installation, repair or upgrade is done, with the ordinary rights of the
// user who logged on. The Windows Installer package runs it after
// InstallFinalize, once for each resident program whose start it installs:
//   DadaViziStart "C:\...\DadaVizi.exe"
//   DadaViziStart "C:\...\DadaViziIpp.exe" "ipp://printer/ipp/print"
//
// Windows Installer runs such an action with the token of the person who
// started the installation: from an ordinary prompt (or a double-click) the
// user's own, unelevated one; from a prompt run as administrator the full,
// elevated token. A monitor started with that token would refuse every
// status source running as the user (User Interface Privilege Isolation
// drops their messages), so an elevated starter starts the program with the
// token of the desktop shell, which runs as the user, unelevated. Where that
// fails it starts nothing: the next log-on, or the Start-menu shortcut,
// brings the program back with the right rights. Where no desktop shell
// runs at all, there is no user's token to take and no notification area
// either; the program is started as the installer runs, and shows its icon
// once a shell starts.
//
// Exit codes: 0 started, 1 usage error, 2 not started (what went wrong goes
// to standard error, when the caller gave it one).
#include <windows.h>

namespace {

const int EXIT_STARTED = 0;
const int EXIT_USAGE = 1;
const int EXIT_NOT_STARTED = 2;

// TOKEN_INFORMATION_CLASS TokenElevationType and its values (Windows Vista
// and later), which these Windows NT 4.0 headers do not name.
const int TOKEN_ELEVATION_TYPE_CLASS = 18;
const DWORD ELEVATION_FULL = 2;  // an administrator's elevated half of a split token

// The longest command line CreateProcess takes, in characters.
const int COMMAND_LINE_SIZE = 32768;
WCHAR commandLine[COMMAND_LINE_SIZE];
// The started program's own folder, its working directory: a program that
// stays resident must not hold the folder the package was started from
// (a USB stick, a share), nor whatever the installer's current one is.
WCHAR folder[MAX_PATH];

void Say(const char *text, DWORD error)
{
    HANDLE handle = GetStdHandle(STD_ERROR_HANDLE);
    if (handle == NULL || handle == INVALID_HANDLE_VALUE)
        return;
    char line[400];
    wsprintfA(line, "DadaViziStart: %.300s (error %lu)\r\n", text, error);
    DWORD written;
    WriteFile(handle, line, (DWORD)lstrlenA(line), &written, NULL);
}

// The command line after the program's own name, which may be quoted.
const WCHAR *Arguments(const WCHAR *line)
{
    if (*line == L'"') {
        ++line;
        while (*line && *line != L'"')
            ++line;
        if (*line)
            ++line;
    } else {
        while (*line && *line != L' ' && *line != L'\t')
            ++line;
    }
    while (*line == L' ' || *line == L'\t')
        ++line;
    return line;
}

// The folder of the program that `line` starts: its path up to the last
// backslash, quoted or not. Empty when the path names no folder or is too
// long, and the program then inherits this one's working directory.
void TakeFolder(const WCHAR *line)
{
    folder[0] = L'\0';
    bool quoted = *line == L'"';
    const WCHAR *start = quoted ? line + 1 : line;
    const WCHAR *end = start;
    const WCHAR *lastBackslash = NULL;
    while (*end && (quoted ? *end != L'"' : (*end != L' ' && *end != L'\t'))) {
        if (*end == L'\\')
            lastBackslash = end;
        ++end;
    }
    if (lastBackslash == NULL || lastBackslash - start >= MAX_PATH - 1)
        return;
    // Up to the backslash, and with it where it follows the drive ("C:\").
    int length = (int)(lastBackslash - start);
    if (length > 0 && start[length - 1] == L':')
        ++length;
    lstrcpynW(folder, start, length + 1);
}

const WCHAR *Folder() { return folder[0] ? folder : NULL; }

// Closes a handle when it goes out of scope.
class Handle {
public:
    Handle() : handle_(NULL) {}
    ~Handle()
    {
        if (handle_ != NULL)
            CloseHandle(handle_);
    }
    Handle(const Handle &) = delete;
    Handle &operator=(const Handle &) = delete;
    HANDLE *Receive() { return &handle_; }
    HANDLE Get() const { return handle_; }

private:
    HANDLE handle_;
};

// True when this process runs with an administrator's elevated token, so
// that a program it starts would be elevated too. Before Windows Vista
// there are no split tokens and the call fails: not elevated in that sense.
bool RunsElevated()
{
    Handle token;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.Receive()))
        return false;
    DWORD type = 0;
    DWORD size = 0;
    if (!GetTokenInformation(token.Get(), (TOKEN_INFORMATION_CLASS)TOKEN_ELEVATION_TYPE_CLASS, &type,
                             sizeof type, &size))
        return false;
    return type == ELEVATION_FULL;
}

bool StartDirectly();

typedef HWND(WINAPI *GetShellWindowFunction)();
typedef BOOL(WINAPI *CreateProcessWithTokenFunction)(HANDLE, DWORD, LPCWSTR, LPWSTR, DWORD, LPVOID,
                                                     LPCWSTR, LPSTARTUPINFOW, LPPROCESS_INFORMATION);

// Starts the command line as the user the desktop shell runs as, or as this
// process runs where no shell runs. CreateProcessWithTokenW (Windows Vista
// and later, as split tokens are) is open to an elevated administrator,
// who holds SeImpersonatePrivilege.
bool StartAsShellUser()
{
    // Looked up at run time, as CreateProcessWithTokenW below: the headers
    // of Windows NT 4.0, which these programs build against, lack both.
    HMODULE user = LoadLibraryA("user32.dll");
    GetShellWindowFunction getShellWindow =
        user == NULL ? NULL : (GetShellWindowFunction)(void *)GetProcAddress(user, "GetShellWindow");
    HWND shell = getShellWindow == NULL ? NULL : getShellWindow();
    DWORD processId = 0;
    if (shell == NULL || !GetWindowThreadProcessId(shell, &processId) || processId == 0)
        return StartDirectly();
    Handle process;
    *process.Receive() = OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, processId);
    Handle shellToken;
    Handle token;
    if (process.Get() == NULL ||
        !OpenProcessToken(process.Get(), TOKEN_DUPLICATE | TOKEN_QUERY, shellToken.Receive()) ||
        !DuplicateTokenEx(shellToken.Get(), MAXIMUM_ALLOWED, NULL, SecurityImpersonation, TokenPrimary,
                          token.Receive())) {
        Say("cannot take the desktop shell's token: not started", GetLastError());
        return false;
    }
    HMODULE advapi = LoadLibraryA("advapi32.dll");
    CreateProcessWithTokenFunction createProcessWithToken =
        advapi == NULL ? NULL
                       : (CreateProcessWithTokenFunction)(void *)GetProcAddress(advapi, "CreateProcessWithTokenW");
    if (createProcessWithToken == NULL) {
        Say("this Windows has no CreateProcessWithTokenW: not started", GetLastError());
        return false;
    }
    STARTUPINFOW startup;
    ZeroMemory(&startup, sizeof startup);
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started;
    if (!createProcessWithToken(token.Get(), 0, NULL, commandLine, 0, NULL, Folder(), &startup, &started)) {
        Say("cannot start the program as the desktop shell's user", GetLastError());
        return false;
    }
    CloseHandle(started.hThread);
    CloseHandle(started.hProcess);
    return true;
}

bool StartDirectly()
{
    STARTUPINFOW startup;
    ZeroMemory(&startup, sizeof startup);
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started;
    if (!CreateProcessW(NULL, commandLine, NULL, NULL, FALSE, 0, NULL, Folder(), &startup, &started)) {
        Say("cannot start the program", GetLastError());
        return false;
    }
    CloseHandle(started.hThread);
    CloseHandle(started.hProcess);
    return true;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    const WCHAR *arguments = Arguments(GetCommandLineW());
    int length = lstrlenW(arguments);
    if (length == 0 || length >= COMMAND_LINE_SIZE) {
        Say("takes the command line of the program to start, the program's path in quotes first. "
            "Exit codes: 0 started, 1 usage error, 2 not started",
            0);
        return EXIT_USAGE;
    }
    lstrcpynW(commandLine, arguments, COMMAND_LINE_SIZE);
    TakeFolder(commandLine);
    bool started = RunsElevated() ? StartAsShellUser() : StartDirectly();
    return started ? EXIT_STARTED : EXIT_NOT_STARTED;
}
