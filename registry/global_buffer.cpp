// GlobalBuffer: a movable block, kept locked while the buffer holds it.
#include "registry/global_buffer.h"

GlobalBuffer::~GlobalBuffer()
{
    if (data) {
        HGLOBAL block = GlobalHandle(data);
        GlobalUnlock(block);
        GlobalFree(block);
    }
}

DWORD GlobalBuffer::Resize(DWORD bytes)
{
    if (bytes == size)
        return bytes;

    HGLOBAL block;
    if (data) {
        HGLOBAL old = GlobalHandle(data);
        GlobalUnlock(old);
        block = GlobalReAlloc(old, bytes, GMEM_MOVEABLE);
        // A failed reallocation leaves the old block; the buffer is emptied
        // either way, so free it rather than forget it.
        if (!block)
            GlobalFree(old);
    } else {
        block = GlobalAlloc(GMEM_MOVEABLE, bytes);
    }

    // A block of 0 bytes comes back discarded and cannot be locked; it is
    // freed too, so an empty buffer never holds a block.
    data = block ? static_cast<BYTE *>(GlobalLock(block)) : NULL;
    if (!data) {
        if (block)
            GlobalFree(block);
        size = 0;
        return 0;
    }
    size = bytes;
    return bytes;
}
