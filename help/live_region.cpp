// The live region through the accessibility services of oleacc, created by
// COM; ole32 is loaded when the first popup needs it, so that the program
// still starts on Windows without it and loads nothing it does not use.
#include "help/live_region.h"

#include <oleacc.h>

namespace {

// The documented values, spelled out so that no GUID library is linked.
const GUID ACC_PROP_SERVICES_CLASS = {
    0xb5f8350b, 0x0548, 0x48b1, {0xa6, 0xee, 0x88, 0xbd, 0x00, 0xb4, 0xa5, 0xe7}};
const GUID ACC_PROP_SERVICES_INTERFACE = {
    0x6e26e776, 0x04f0, 0x495d, {0x80, 0xe4, 0x33, 0x30, 0x35, 0x2e, 0x31, 0x69}};
const GUID LIVE_SETTING_PROPERTY = {
    0xc12bcd8e, 0x2a8e, 0x4950, {0x8a, 0xe7, 0x36, 0x25, 0x11, 0x1d, 0x58, 0xeb}};
const LONG LIVE_SETTING_ASSERTIVE = 2;
const DWORD EVENT_LIVE_REGION_CHANGED = 0x8019;  // EVENT_OBJECT_LIVEREGIONCHANGED
const LONG OBJECT_CLIENT = (LONG)0xFFFFFFFC;     // OBJID_CLIENT
const LONG CHILD_SELF = 0;                       // CHILDID_SELF

typedef HRESULT(WINAPI *CoInitializeExFunction)(void *, DWORD);
typedef HRESULT(WINAPI *CoCreateInstanceFunction)(REFCLSID, IUnknown *, DWORD, REFIID, void **);
typedef void(WINAPI *NotifyWinEventFunction)(DWORD, HWND, LONG, LONG);

// Tried once; kept for the life of the process, like COM on this thread.
bool g_tried = false;
IAccPropServices *g_services = NULL;

IAccPropServices *Services()
{
    if (g_tried)
        return g_services;
    g_tried = true;
    HMODULE ole32 = LoadLibraryA("ole32.dll");  // a known DLL: always the system's
    if (!ole32)
        return NULL;
    CoInitializeExFunction initialize = reinterpret_cast<CoInitializeExFunction>(
        reinterpret_cast<void (*)()>(GetProcAddress(ole32, "CoInitializeEx")));
    CoCreateInstanceFunction create = reinterpret_cast<CoCreateInstanceFunction>(
        reinterpret_cast<void (*)()>(GetProcAddress(ole32, "CoCreateInstance")));
    // S_FALSE says COM was already there (HTML Help may have started it);
    // a thread in the other model refuses, and then no annotation is made.
    if (!initialize || !create || FAILED(initialize(NULL, COINIT_APARTMENTTHREADED)))
        return NULL;
    void *services = NULL;
    if (FAILED(create(ACC_PROP_SERVICES_CLASS, NULL, CLSCTX_INPROC_SERVER,
                      ACC_PROP_SERVICES_INTERFACE, &services)))
        return NULL;
    g_services = static_cast<IAccPropServices *>(services);
    return g_services;
}

}  // namespace

void AnnounceLiveRegion(HWND control)
{
    if (IAccPropServices *services = Services()) {
        VARIANT setting;
        ZeroMemory(&setting, sizeof setting);
        setting.vt = VT_I4;
        setting.lVal = LIVE_SETTING_ASSERTIVE;
        services->SetHwndProp(control, OBJECT_CLIENT, CHILD_SELF, LIVE_SETTING_PROPERTY, setting);
    }
    // Windows 2000 and later; without it nobody could listen anyway.
    HMODULE user32 = GetModuleHandleA("user32.dll");
    NotifyWinEventFunction notify = reinterpret_cast<NotifyWinEventFunction>(
        reinterpret_cast<void (*)()>(user32 ? GetProcAddress(user32, "NotifyWinEvent") : NULL));
    if (notify)
        notify(EVENT_LIVE_REGION_CHANGED, control, OBJECT_CLIENT, CHILD_SELF);
}

void ForgetLiveRegion(HWND control)
{
    if (g_services)
        g_services->ClearHwndProps(control, OBJECT_CLIENT, CHILD_SELF, &LIVE_SETTING_PROPERTY, 1);
}
