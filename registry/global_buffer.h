// A byte buffer in movable global memory that is resized to exact sizes.
#ifndef DADAVIZI_GLOBAL_BUFFER_H
#define DADAVIZI_GLOBAL_BUFFER_H

#include <windows.h>

class GlobalBuffer {
public:
    GlobalBuffer() : data(NULL), size(0) {}
    ~GlobalBuffer();

    // Returns the new size, or 0 when the memory could not be had; the buffer
    // is then empty. Asking for the current size changes nothing.
    DWORD Resize(DWORD bytes);

    BYTE *data;  // the locked block, or NULL
    DWORD size;  // bytes in the block, 0 when there is none

private:
    GlobalBuffer(const GlobalBuffer &) = delete;
    GlobalBuffer &operator=(const GlobalBuffer &) = delete;
};

#endif
