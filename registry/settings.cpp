// The stored status. Reading it comes with the registry classes.
#include "settings.h"

void RefreshFromStoredStatus(HWND)
{
}
