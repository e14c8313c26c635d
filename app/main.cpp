// DadaVizi: shows one printer's status in the notification area.
#include "app/monitor.h"

// The command line and show state are ignored: the window is never shown.
int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    return RunMonitor(instance);
}
