// The notification-area operations, seen at the shell's entry point.
#include <gtest/gtest.h>

#include "app/shared.h"
#include "fakes.h"
#include "res/resource.h"
#include "sequence.h"
#include "testing.h"
#include "tray/tray.h"

#include <string>

namespace {

class TrayTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        fake::Reset();
        window = CreateWindowExA(0, "STATIC", "tray owner", 0, 0, 0, 0, 0, NULL, NULL, NULL, NULL);
        ASSERT_NE(nullptr, window);
    }
    void TearDown() override
    {
        DestroyWindow(window);
        fake::Reset();
    }
    // A private copy of the printer icon, so destroying it is real and observable.
    static HICON NewIcon()
    {
        return (HICON)LoadImageA(GetModuleHandleA(NULL), MAKEINTRESOURCEA(IDI_PRINTER), IMAGE_ICON,
                                 GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON),
                                 LR_DEFAULTCOLOR);
    }
    std::string Calls()
    {
        std::string calls = TraySequence(fake::trayCalls, window);
        fake::trayCalls.clear();
        return calls;
    }

    HWND window = NULL;
};

const char ADD[] = "NIM_ADD NIF_MESSAGE|NIF_ICON|NIF_TIP WM_TRAYNOTIFY ";

// TrayShowIcon of IDI_PRINTER with "Printer Status" where no icon is yet:
// the modify fails, the add works, and the version is declared with the
// shell's answer `version`.
std::string FirstShown(const char *version)
{
    return Lines({"NIM_MODIFY NIF_ICON IDI_PRINTER -> FALSE",
                  std::string(ADD) + "IDI_PRINTER 'Printer Status' -> TRUE",
                  std::string("NIM_SETVERSION NOTIFYICON_VERSION -> ") + version});
}

TEST_F(TrayTest, AddFillsTheFirstRecordFormAndReleasesTheAcceptedIcon)
{
    HICON icon = NewIcon();
    EXPECT_TRUE(TrayAdd(window, TRAY_ICON_ID, WM_TRAYNOTIFY, icon, "Printer Status"));
    ASSERT_EQ(1u, fake::trayCalls.size());
    EXPECT_EQ(icon, fake::trayCalls[0].record.hIcon);
    EXPECT_EQ(Lines({std::string(ADD) + "IDI_PRINTER 'Printer Status' -> TRUE"}), Calls());
    EXPECT_FALSE(IconIsLive(icon)) << "the shell keeps its own copy";
}

TEST_F(TrayTest, RefusedCallsKeepTheIconAndReportFailure)
{
    fake::shellRefuses = true;
    HICON icon = NewIcon();
    EXPECT_FALSE(TrayAdd(window, TRAY_ICON_ID, WM_TRAYNOTIFY, icon, "tip"));
    EXPECT_TRUE(IconIsLive(icon));
    EXPECT_FALSE(TraySetIcon(window, TRAY_ICON_ID, icon));
    EXPECT_TRUE(IconIsLive(icon));
    EXPECT_EQ(Lines({std::string(ADD) + "IDI_PRINTER 'tip' -> FALSE",
                     "NIM_MODIFY NIF_ICON IDI_PRINTER -> FALSE"}),
              Calls());
    DestroyIcon(icon);
}

TEST_F(TrayTest, SetIconAndSetTipModifyOneFieldEach)
{
    ASSERT_TRUE(TrayAdd(window, TRAY_ICON_ID, WM_TRAYNOTIFY, NULL, "first"));
    HICON icon = NewIcon();
    EXPECT_TRUE(TraySetIcon(window, TRAY_ICON_ID, icon));
    TraySetTip(window, TRAY_ICON_ID, "Status 5");
    EXPECT_EQ(Lines({std::string(ADD) + "no icon 'first' -> TRUE",
                     "NIM_MODIFY NIF_ICON IDI_PRINTER -> TRUE",
                     "NIM_MODIFY NIF_TIP 'Status 5' -> TRUE"}),
              Calls());
    EXPECT_FALSE(IconIsLive(icon));
}

TEST_F(TrayTest, TipsAreCutToSixtyThreeCharacters)
{
    const std::string seventy(70, 'x');
    const std::string cut(63, 'x');
    ASSERT_TRUE(TrayAdd(window, TRAY_ICON_ID, WM_TRAYNOTIFY, NULL, seventy.c_str()));
    TraySetTip(window, TRAY_ICON_ID, seventy.c_str());
    for (const TrayCall &call : fake::trayCalls)
        EXPECT_EQ('\0', call.record.szTip[63]);
    EXPECT_EQ(Lines({std::string(ADD) + "no icon '" + cut + "' -> TRUE",
                     "NIM_MODIFY NIF_TIP '" + cut + "' -> TRUE"}),
              Calls());
}

TEST_F(TrayTest, ShowIconAddsOnceThenOnlyReplacesTheIcon)
{
    HICON first = NewIcon();
    TrayShowIcon(window, TRAY_ICON_ID, WM_TRAYNOTIFY, first, "Printer Status");
    // The icon survives the failed modify and goes with the add.
    EXPECT_EQ(FirstShown("TRUE"), Calls());
    EXPECT_FALSE(IconIsLive(first));

    HICON second = NewIcon();
    TrayShowIcon(window, TRAY_ICON_ID, WM_TRAYNOTIFY, second, "another tip");
    EXPECT_EQ(Lines({"NIM_MODIFY NIF_ICON IDI_PRINTER -> TRUE"}), Calls())
        << "an existing icon keeps its tip";
    EXPECT_FALSE(IconIsLive(second));
}

TEST_F(TrayTest, EveryAddDeclaresTheVersionInTheWindows2000Record)
{
    TrayShowIcon(window, TRAY_ICON_ID, WM_TRAYNOTIFY, NewIcon(), "Printer Status");
    ASSERT_EQ(3u, fake::trayCalls.size());
    const TrayCall &version = fake::trayCalls[2];
    // Any other size is read as the first layout: version 0, and TRUE.
    EXPECT_EQ(static_cast<DWORD>(NOTIFYICONDATAA_V2_SIZE), version.record.cbSize);
    EXPECT_EQ(3u, version.record.uVersion);
    EXPECT_EQ(0u, version.record.uFlags);
    Calls();

    // A restarted taskbar forgets icon and version: the re-add declares it again.
    fake::ShellLosesIcons();
    TrayShowIcon(window, TRAY_ICON_ID, WM_TRAYNOTIFY, NewIcon(), "Printer Status");
    EXPECT_EQ(FirstShown("TRUE"), Calls());
}

TEST_F(TrayTest, ARefusedVersionLeavesTheAddedIconAsItIs)
{
    // Windows 95 and NT 4.0 know no NIM_SETVERSION.
    fake::trayFilter = [](const TrayCall &call) { return call.message != NIM_SETVERSION; };
    HICON icon = NewIcon();
    TrayShowIcon(window, TRAY_ICON_ID, WM_TRAYNOTIFY, icon, "Printer Status");
    EXPECT_EQ(FirstShown("FALSE"), Calls());
    EXPECT_TRUE(fake::TrayHasIcon(window, TRAY_ICON_ID));
    EXPECT_FALSE(IconIsLive(icon));

    TraySetFocus(window, TRAY_ICON_ID);
    EXPECT_EQ(Lines({"NIM_SETFOCUS -> TRUE"}), Calls()) << "the Windows 2000 record too";
}

TEST_F(TrayTest, ShowIconReleasesItsIconWhenTheShellTakesNeither)
{
    fake::shellRefuses = true;
    HICON icon = NewIcon();
    TrayShowIcon(window, TRAY_ICON_ID, WM_TRAYNOTIFY, icon, "tip");
    EXPECT_EQ(2u, fake::trayCalls.size());
    EXPECT_FALSE(IconIsLive(icon)) << "a refused private copy must not leak";
}

TEST_F(TrayTest, DeleteOfAMissingIconChangesNothing)
{
    TrayDelete(window, 55);
    ASSERT_TRUE(TrayAdd(window, TRAY_ICON_ID, WM_TRAYNOTIFY, NULL, "tip"));
    TrayDelete(window, TRAY_ICON_ID);
    EXPECT_EQ(Lines({"NIM_DELETE 0 uID=55 -> FALSE", std::string(ADD) + "no icon 'tip' -> TRUE",
                     "NIM_DELETE 0 -> TRUE"}),
              Calls());
    EXPECT_FALSE(fake::TrayHasIcon(window, TRAY_ICON_ID));
}

}  // namespace
