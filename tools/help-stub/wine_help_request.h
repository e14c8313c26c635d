// The request Wine's WinHelpA hands, by WM_COPYDATA, to the window of class
// "MS_WINHELP". Only stand-ins for the help engine under Wine read it: the
// layout is Wine's own, not the Windows help engine's.
#ifndef DADAVIZI_WINE_HELP_REQUEST_H
#define DADAVIZI_WINE_HELP_REQUEST_H

#include <windows.h>

const ULONG_PTR WINE_HELP_COPYDATA_ID = 0xA1DE505;

#pragma pack(push, 1)
struct WineHelpRequest {
    WORD size;
    WORD command;
    LONG data;
    LONG reserved;
    WORD ofsFilename;
    WORD ofsData;
};
#pragma pack(pop)

// Reads one request. The file name runs to its terminator or the end of the
// data received, whichever comes first, and is cut to fit `capacity`.
inline bool ReadWineHelpRequest(const COPYDATASTRUCT *copy, UINT *command, LONG *data,
                                char *file, DWORD capacity)
{
    if (!copy || copy->dwData != WINE_HELP_COPYDATA_ID || !copy->lpData ||
        copy->cbData < sizeof(WineHelpRequest) || capacity == 0)
        return false;
    WineHelpRequest request;
    CopyMemory(&request, copy->lpData, sizeof request);
    *command = request.command;
    *data = request.data;

    file[0] = '\0';
    if (request.ofsFilename && request.ofsFilename < copy->cbData) {
        const char *start = static_cast<const char *>(copy->lpData) + request.ofsFilename;
        DWORD room = copy->cbData - request.ofsFilename;
        DWORD length = 0;
        while (length < room && length + 1 < capacity && start[length])
            ++length;
        CopyMemory(file, start, length);
        file[length] = '\0';
    }
    return true;
}

#endif
