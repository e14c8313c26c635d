// The numbers and names the monitor shares with the outside: status sources,
// the shell, the help engine, installations. Pinned here, once; every other
// test uses the names.
#include <gtest/gtest.h>

#include "app/shared.h"
#include "help/status_help.h"
#include "registry/settings.h"
#include "res/resource.h"
#include "tools/kit/dadavizi_status.h"

#include <shellapi.h>

namespace {

TEST(Interface, MessagesTimerAndIconIdentifier)
{
    EXPECT_EQ(0x1667u, WM_BIDISTATUS);
    EXPECT_EQ(WM_USER + 4711, WM_BIDISTATUS);
    EXPECT_EQ(0x40Au, WM_TRAYNOTIFY);
    EXPECT_EQ(100u, TRAY_ICON_ID);
    EXPECT_EQ(2u, POPUP_TIMER_ID);
    EXPECT_EQ(10000, STATUS_REPEAT_THRESHOLD);
    EXPECT_EQ(0x201u, static_cast<UINT>(WM_LBUTTONDOWN));
    EXPECT_EQ(0x204u, static_cast<UINT>(WM_RBUTTONDOWN));
}

TEST(Interface, TheShellsFirstRecordForm)
{
    EXPECT_EQ(0u, static_cast<UINT>(NIM_ADD));
    EXPECT_EQ(1u, static_cast<UINT>(NIM_MODIFY));
    EXPECT_EQ(2u, static_cast<UINT>(NIM_DELETE));
    EXPECT_EQ(1u, static_cast<UINT>(NIF_MESSAGE));
    EXPECT_EQ(2u, static_cast<UINT>(NIF_ICON));
    EXPECT_EQ(4u, static_cast<UINT>(NIF_TIP));
#ifndef _WIN64
    EXPECT_EQ(88u, static_cast<UINT>(NOTIFYICONDATAA_V1_SIZE));
#endif
}

TEST(Interface, HelpEngineCommands)
{
    EXPECT_EQ(13u, static_cast<UINT>(HELP_SETPOPUP_POS));
    EXPECT_EQ(8u, static_cast<UINT>(HELP_CONTEXTPOPUP));
    EXPECT_EQ(1u, static_cast<UINT>(HELP_CONTEXT));
    EXPECT_STREQ("MS_WINNOTE", HELP_POPUP_CLASS);
    EXPECT_EQ(3000, DEFAULT_POPUP_TIME);
}

TEST(Interface, NamesInTheRegistryAndOnScreen)
{
    EXPECT_STREQ("DadaVizi", MONITOR_WINDOW_NAME);
    EXPECT_STREQ("SOFTWARE\\Halvik\\Zive Dozorod", SETTINGS_KEY);
    EXPECT_STREQ("SOFTWARE\\Halvik\\Help Embedded Window", HELP_WINDOW_KEY);
    EXPECT_EQ(100, IDI_PRINTER);
    EXPECT_EQ(101, IDI_PRINTER_STROKE);
    EXPECT_EQ(102, IDI_PRINTER_CROSSED);
    EXPECT_EQ(103, IDI_PRINTER_OFFLINE);
    EXPECT_EQ(104, IDI_PRINTER_ATTENTION);
}

TEST(Interface, HelpMapKeysRoundTheCodeAsUnsigned)
{
    const struct {
        LONG code;
        LONG keys[HELP_MAP_KEY_COUNT];
    } cases[] = {
        {40021, {40021, 40000, 40000}},
        {10049, {10049, 10000, 10000}},
        {250, {250, 200, 0}},
        {-3, {-3, -96, -296}},
        {-2147483647 - 1, {-2147483647 - 1, 2147483600, 2147483000}},
    };
    for (const auto &row : cases) {
        LONG keys[HELP_MAP_KEY_COUNT];
        HelpMapKeys(row.code, keys);
        for (int i = 0; i < HELP_MAP_KEY_COUNT; ++i)
            EXPECT_EQ(row.keys[i], keys[i]) << "code " << row.code << ", key " << i;
    }
}

// The makers' public header says what the monitor does, in C (the sample
// source compiles it as C) and here in C++.
TEST(Interface, ThePublicHeaderAgreesWithTheMonitor)
{
    EXPECT_EQ(WM_BIDISTATUS, static_cast<UINT>(DADAVIZI_WM_BIDISTATUS));
    EXPECT_STREQ(MONITOR_WINDOW_NAME, DADAVIZI_WINDOW_NAME);
    EXPECT_STREQ(SETTINGS_KEY, DADAVIZI_SETTINGS_KEY);
    EXPECT_EQ(STATUS_REPEAT_THRESHOLD, DADAVIZI_REPEAT_THRESHOLD);
    EXPECT_EQ(0x0200, DADAVIZI_KEY_VIEW);
    // The codes with icons of their own, as the dispatcher's tests pin them.
    EXPECT_EQ(10001, DADAVIZI_CODE_READY);
    EXPECT_EQ(10049, DADAVIZI_CODE_READY_ALT);
    EXPECT_EQ(40021, DADAVIZI_CODE_ATTENTION_SOON);
    EXPECT_EQ(40077, DADAVIZI_CODE_ACT_NOW);
}

}  // namespace
