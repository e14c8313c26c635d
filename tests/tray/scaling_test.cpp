// The tray icon at 125, 150 and 200 % display scaling: the monitor, DPI-aware
// through its manifest, must hand the shell the icon image drawn for the
// small-icon size, not a stretched 16-pixel one. The display's DPI is read
// once when a process starts, so each scale runs this executable again.
#include <gtest/gtest.h>

#include "app/shared.h"
#include "monitor_test.h"
#include "process.h"
#include "res/resource.h"
#include "testing.h"

#include <cstdlib>
#include <string>
#include <vector>

namespace {

const char DESKTOP_KEY[] = "Control Panel\\Desktop";
const char DPI_VARIABLE[] = "DADAVIZI_TEST_DPI";

// Sets HKCU "LogPixels" for the processes started meanwhile, and puts the
// old value (or its absence) back at the end.
class LogPixels {
public:
    explicit LogPixels(DWORD dpi)
    {
        RegCreateKeyExA(HKEY_CURRENT_USER, DESKTOP_KEY, 0, NULL, 0, KEY_READ | KEY_WRITE, NULL,
                        &key, NULL);
        DWORD size = sizeof old;
        had = RegQueryValueExA(key, "LogPixels", NULL, NULL, reinterpret_cast<BYTE *>(&old),
                               &size) == ERROR_SUCCESS;
        Set(dpi);
    }
    ~LogPixels()
    {
        if (had)
            Set(old);
        else
            RegDeleteValueA(key, "LogPixels");
        RegCloseKey(key);
    }
    LogPixels(const LogPixels &) = delete;
    LogPixels &operator=(const LogPixels &) = delete;

private:
    void Set(DWORD dpi)
    {
        RegSetValueExA(key, "LogPixels", 0, REG_DWORD, reinterpret_cast<const BYTE *>(&dpi),
                       sizeof dpi);
    }
    HKEY key = NULL;
    DWORD old = 0;
    bool had = false;
};

// The pixels of the image of exactly `size` pixels in icon group `id`,
// made into an icon at its own size: nothing chooses or stretches it.
std::string ExactImagePixels(int id, int size)
{
    HMODULE module = GetModuleHandleA(NULL);
    HRSRC group = FindResourceA(module, MAKEINTRESOURCEA(id), RT_GROUP_ICON);
    const BYTE *directory =
        group ? static_cast<const BYTE *>(LockResource(LoadResource(module, group))) : nullptr;
    if (!directory)
        return "no icon group";
    // The group: 6 bytes of header, then 14-byte entries; width first, the
    // RT_ICON id last.
    WORD count = *reinterpret_cast<const WORD *>(directory + 4);
    for (WORD i = 0; i < count; ++i) {
        const BYTE *entry = directory + 6 + 14 * i;
        if (entry[0] != size)
            continue;
        WORD imageId = *reinterpret_cast<const WORD *>(entry + 12);
        HRSRC image = FindResourceA(module, MAKEINTRESOURCEA(imageId), RT_ICON);
        if (!image)
            return "no icon image";
        HICON icon = CreateIconFromResourceEx(
            static_cast<BYTE *>(LockResource(LoadResource(module, image))),
            SizeofResource(module, image), TRUE, 0x00030000, size, size, LR_DEFAULTCOLOR);
        std::string pixels = IconPixels(icon);
        if (icon)
            DestroyIcon(icon);
        return pixels;
    }
    return "no image of " + std::to_string(size) + " pixels";
}

TEST(TrayScaling, EachScaleHandsTheShellTheImageOfItsSize)
{
    for (DWORD dpi : {120u, 144u, 192u}) {
        LogPixels scale(dpi);
        SetEnvironmentVariableA(DPI_VARIABLE, std::to_string(dpi).c_str());
        std::string output;
        EXPECT_EQ(0u, RunProgram("tray_test.exe",
                                 "--gtest_also_run_disabled_tests "
                                 "--gtest_filter=TrayAtScale.DISABLED_*",
                                 &output))
            << dpi << " DPI:\n"
            << output;
        EXPECT_NE(std::string::npos, output.find("[  PASSED  ] 1 test")) << output;
        SetEnvironmentVariableA(DPI_VARIABLE, NULL);
    }
}

// Run only by the test above, in a process started at its scale.
using TrayAtScale = MonitorWindowTest;

TEST_F(TrayAtScale, DISABLED_TheIconIsTheImageOfTheSmallIconSize)
{
    const char *wanted = std::getenv(DPI_VARIABLE);
    ASSERT_NE(nullptr, wanted);
    HDC screen = GetDC(NULL);
    int dpi = GetDeviceCaps(screen, LOGPIXELSX);
    ReleaseDC(NULL, screen);
    ASSERT_EQ(std::atoi(wanted), dpi) << "the display did not take the scale";

    // 16 pixels at 96 DPI, scaled: 20, 24 and 32.
    int size = GetSystemMetrics(SM_CXSMICON);
    EXPECT_EQ(MulDiv(16, dpi, 96), size);

    std::vector<TrayCall> calls = TakeTrayCalls();
    // The add, before the version it declares.
    ASSERT_LE(2u, calls.size());
    const TrayCall &added = calls[calls.size() - 2];
    EXPECT_EQ(static_cast<size_t>(size) * size * 4, added.iconPixels.size());
    EXPECT_TRUE(added.iconPixels == ExactImagePixels(IDI_PRINTER, size))
        << "the added icon is not the " << size << "-pixel image";

    const struct {
        LONG code;
        int icon;
    } changes[] = {{40021, IDI_PRINTER_STROKE}, {40077, IDI_PRINTER_CROSSED}};
    for (const auto &change : changes) {
        Status(change.code);
        calls = TakeTrayCalls();
        ASSERT_FALSE(calls.empty());
        EXPECT_TRUE(calls.front().iconPixels == ExactImagePixels(change.icon, size))
            << "status " << change.code << ": not the " << size << "-pixel image";
    }
}

}  // namespace
