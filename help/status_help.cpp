// Status help. The help file and topic lookup come later.
#include "status_help.h"

void OnStatusHelp(HWND)
{
}
