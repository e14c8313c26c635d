// DadaViziDemoFind: tells the demo scripts where a top-level window is.
//
// Inside Wine's virtual desktop the taskbar and the help popups are drawn
// into the desktop's own X window, so X tools cannot see them; this asks the
// window manager of the Wine session instead.
//
//   DadaViziDemoFind.exe CLASS [TITLE]
//   DadaViziDemoFind.exe --count [CLASS]
//
// Prints "x y width height visible" (screen coordinates) of the first
// matching window and exits 0, or prints "none" and exits 1. A TITLE of "-"
// stands for the empty title. --count prints how many top-level windows
// there are of CLASS, hidden ones included, or without CLASS how many are
// visible, whatever their class.
#include <windows.h>

namespace {

void Print(const char *text)
{
    DWORD written;
    WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), text, (DWORD)lstrlenA(text), &written, NULL);
}

struct Count {
    const char *className;
    int windows;
};

BOOL CALLBACK CountWindow(HWND window, LPARAM parameter)
{
    Count *count = reinterpret_cast<Count *>(parameter);
    char name[256] = "";
    GetClassNameA(window, name, sizeof name);
    if (count->className ? lstrcmpiA(name, count->className) == 0 : IsWindowVisible(window) != 0)
        ++count->windows;
    return TRUE;
}

}  // namespace

int main(int argc, char **argv)
{
    if (argc >= 2 && argc <= 3 && lstrcmpA(argv[1], "--count") == 0) {
        Count count = {argc == 3 ? argv[2] : NULL, 0};
        EnumWindows(CountWindow, reinterpret_cast<LPARAM>(&count));
        char line[32];
        wsprintfA(line, "%d\n", count.windows);
        Print(line);
        return 0;
    }
    if (argc < 2 || argc > 3) {
        Print("usage: DadaViziDemoFind.exe CLASS [TITLE] | --count [CLASS]\n");
        return 2;
    }
    const char *title = NULL;
    if (argc == 3)
        title = lstrcmpA(argv[2], "-") == 0 ? "" : argv[2];

    HWND window = FindWindowA(argv[1], title);
    RECT rect;
    if (!window || !GetWindowRect(window, &rect)) {
        Print("none\n");
        return 1;
    }
    char line[128];
    wsprintfA(line, "%ld %ld %ld %ld %d\n", (long)rect.left, (long)rect.top,
              (long)(rect.right - rect.left), (long)(rect.bottom - rect.top),
              IsWindowVisible(window) ? 1 : 0);  // numbers only: well under 128 characters
    Print(line);
    return 0;
}
