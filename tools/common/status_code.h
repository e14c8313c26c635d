// Status codes as the tools take them on the command line.
#ifndef DADAVIZI_TOOLS_STATUS_CODE_H
#define DADAVIZI_TOOLS_STATUS_CODE_H

#include <windows.h>

// A whole signed 32-bit decimal number: an optional sign and digits only,
// from -2147483648 to 2147483647. Unlike the monitor's reading of a stored
// code, nothing wraps: a number out of range is refused, so a tool never
// reports or explains a code other than the one it was given.
bool ParseStatusCode(const char *text, LONG *code);

#endif
