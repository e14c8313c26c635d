// The notification-area operations, seen at the shell's entry point.
#include <gtest/gtest.h>

#include "fakes.h"
#include "testing.h"
#include "tray/tray.h"

#include <string.h>

namespace {

const UINT ID = 100;
const UINT CALLBACK_MESSAGE = WM_USER + 10;

class TrayTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        fake::Reset();
        window = CreateWindowExA(0, "STATIC", "tray owner", 0, 0, 0, 0, 0, NULL, NULL, NULL, NULL);
        ASSERT_TRUE(window != NULL);
    }
    void TearDown() override
    {
        DestroyWindow(window);
        fake::Reset();
    }
    // A private icon, so destroying it is real and observable.
    static HICON NewIcon() { return CopyIcon(LoadIconA(NULL, (LPCSTR)IDI_APPLICATION)); }

    HWND window = NULL;
};

TEST_F(TrayTest, AddFillsTheFirstRecordFormAndReleasesTheAcceptedIcon)
{
    HICON icon = NewIcon();
    EXPECT_TRUE(TrayAdd(window, ID, CALLBACK_MESSAGE, icon, "Printer Status"));

    ASSERT_EQ(1u, fake::trayCalls.size());
    const TrayCall &call = fake::trayCalls[0];
    EXPECT_EQ(static_cast<DWORD>(NIM_ADD), call.message);
#ifndef _WIN64
    EXPECT_EQ(88u, call.record.cbSize);
#endif
    EXPECT_EQ(static_cast<DWORD>(NOTIFYICONDATAA_V1_SIZE), call.record.cbSize);
    EXPECT_EQ(window, call.record.hWnd);
    EXPECT_EQ(ID, call.record.uID);
    EXPECT_EQ(7u, call.record.uFlags);
    EXPECT_EQ(CALLBACK_MESSAGE, call.record.uCallbackMessage);
    EXPECT_EQ(icon, call.record.hIcon);
    EXPECT_STREQ("Printer Status", call.record.szTip);
    EXPECT_TRUE(call.iconValidDuringCall);
    EXPECT_FALSE(IconIsLive(icon)) << "the shell keeps its own copy";
}

TEST_F(TrayTest, RefusedCallsKeepTheIconAndReportFailure)
{
    fake::shellRefuses = true;
    HICON icon = NewIcon();
    EXPECT_FALSE(TrayAdd(window, ID, CALLBACK_MESSAGE, icon, "tip"));
    EXPECT_TRUE(IconIsLive(icon));
    EXPECT_FALSE(TraySetIcon(window, ID, icon));
    EXPECT_TRUE(IconIsLive(icon));
    DestroyIcon(icon);
}

TEST_F(TrayTest, SetIconAndSetTipModifyOneFieldEach)
{
    ASSERT_TRUE(TrayAdd(window, ID, CALLBACK_MESSAGE, NULL, "first"));
    HICON icon = NewIcon();
    EXPECT_TRUE(TraySetIcon(window, ID, icon));
    TraySetTip(window, ID, "Status 5");

    ASSERT_EQ(3u, fake::trayCalls.size());
    const TrayCall &setIcon = fake::trayCalls[1];
    EXPECT_EQ(static_cast<DWORD>(NIM_MODIFY), setIcon.message);
    EXPECT_EQ(2u, setIcon.record.uFlags);
    EXPECT_EQ(icon, setIcon.record.hIcon);
    EXPECT_STREQ("", setIcon.record.szTip);
    EXPECT_FALSE(IconIsLive(icon));

    const TrayCall &setTip = fake::trayCalls[2];
    EXPECT_EQ(static_cast<DWORD>(NIM_MODIFY), setTip.message);
    EXPECT_EQ(4u, setTip.record.uFlags);
    EXPECT_TRUE(setTip.record.hIcon == NULL);
    EXPECT_STREQ("Status 5", setTip.record.szTip);
}

TEST_F(TrayTest, TipsAreCutToSixtyThreeCharacters)
{
    const std::string seventy(70, 'x');
    ASSERT_TRUE(TrayAdd(window, ID, CALLBACK_MESSAGE, NULL, seventy.c_str()));
    TraySetTip(window, ID, seventy.c_str());
    ASSERT_EQ(2u, fake::trayCalls.size());
    for (const TrayCall &call : fake::trayCalls) {
        EXPECT_EQ(std::string(63, 'x'), call.record.szTip);
        EXPECT_EQ('\0', call.record.szTip[63]);
    }
}

TEST_F(TrayTest, ShowIconAddsOnceThenOnlyReplacesTheIcon)
{
    HICON first = NewIcon();
    TrayShowIcon(window, ID, CALLBACK_MESSAGE, first, "Printer Status");
    ASSERT_EQ(2u, fake::trayCalls.size());
    EXPECT_EQ(static_cast<DWORD>(NIM_MODIFY), fake::trayCalls[0].message);
    EXPECT_FALSE(fake::trayCalls[0].result);
    EXPECT_EQ(static_cast<DWORD>(NIM_ADD), fake::trayCalls[1].message);
    EXPECT_EQ(7u, fake::trayCalls[1].record.uFlags);
    EXPECT_STREQ("Printer Status", fake::trayCalls[1].record.szTip);
    EXPECT_TRUE(fake::trayCalls[1].iconValidDuringCall) << "kept after the failed modify";
    EXPECT_FALSE(IconIsLive(first));

    HICON second = NewIcon();
    TrayShowIcon(window, ID, CALLBACK_MESSAGE, second, "another tip");
    ASSERT_EQ(3u, fake::trayCalls.size());
    EXPECT_EQ(static_cast<DWORD>(NIM_MODIFY), fake::trayCalls[2].message);
    EXPECT_EQ(2u, fake::trayCalls[2].record.uFlags);
    EXPECT_STREQ("", fake::trayCalls[2].record.szTip) << "an existing icon keeps its tip";
    EXPECT_FALSE(IconIsLive(second));
}

TEST_F(TrayTest, ShowIconReleasesItsIconWhenTheShellTakesNeither)
{
    fake::shellRefuses = true;
    HICON icon = NewIcon();
    TrayShowIcon(window, ID, CALLBACK_MESSAGE, icon, "tip");
    EXPECT_EQ(2u, fake::trayCalls.size());
    EXPECT_FALSE(IconIsLive(icon)) << "a refused private copy must not leak";
}

TEST_F(TrayTest, DeleteOfAMissingIconChangesNothing)
{
    TrayDelete(window, 55);
    ASSERT_EQ(1u, fake::trayCalls.size());
    EXPECT_EQ(static_cast<DWORD>(NIM_DELETE), fake::trayCalls[0].message);
    EXPECT_EQ(0u, fake::trayCalls[0].record.uFlags);
    EXPECT_EQ(55u, fake::trayCalls[0].record.uID);
    EXPECT_FALSE(fake::trayCalls[0].result);

    ASSERT_TRUE(TrayAdd(window, ID, CALLBACK_MESSAGE, NULL, "tip"));
    TrayDelete(window, ID);
    EXPECT_FALSE(fake::TrayHasIcon(window, ID));
}

}  // namespace
