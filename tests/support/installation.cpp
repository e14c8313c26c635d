// The test installation: registry keys and profile files, and their removal.
#include "installation.h"

#include "app/shared.h"
#include "help/help_file.h"
#include "registry/settings.h"
#include "testing.h"

Installation::Installation(const std::string &name)
    : monitorKey("SOFTWARE\\Halvik\\" + name + " Source"),
      statusKey(monitorKey + "\\BidiData"),
      printer(name + " Printer"),
      printerKey("SYSTEM\\CurrentControlSet\\Control\\Print\\Printers\\" + printer),
      driver(name)
{
    char path[256] = "";
    FormatDriverDataKeyPath(path, sizeof path, printer.c_str());
    driverDataKey = path;
    RemoveKeys();
}

Installation::~Installation()
{
    RemoveKeys();
    for (const std::string &folder : folders_) {
        for (const char *file : {"DODOZOD.INI", "DOZID049.HLP", "DOZID049.CHM", "DOZID049.INI"})
            DeleteFileA((folder + "\\" + file).c_str());
        RemoveDirectoryA(folder.c_str());
    }
    if (systemProfileSaved_) {
        std::string path = SystemDirectory() + "\\DODOZOD.INI";
        if (hadSystemProfile_)
            WriteTextFile(path, savedSystemProfile_);
        else
            DeleteFileA(path.c_str());
    }
}

void Installation::Write() const
{
    WriteSettings();
    WriteDriverData();
}

void Installation::WriteSettings() const
{
    SetRegString(SETTINGS_KEY, "Monitor", monitorKey);
    SetRegString(SETTINGS_KEY, "Printer", printer);
    SetRegString(SETTINGS_KEY, "Driver", driver);
}

void Installation::WriteDriverData(const std::string &drvlibIntl, const std::string &entry) const
{
    SetRegString(driverDataKey.c_str(), "DrvlibIntl", drvlibIntl);
    std::string name = drvlibIntl.size() >= 2 ? drvlibIntl.substr(2) : std::string();
    SetRegString(driverDataKey.c_str(), ("DrvlibIntl=" + name).c_str(), entry);
}

void Installation::SetStatus(const char *name, const std::string &text) const
{
    SetRegString(statusKey.c_str(), name, text);
}

void Installation::UseDirectory(const std::string &folder)
{
    directory = folder;
    profilePath = folder + "\\DODOZOD.INI";
    helpFile = folder + "\\DOZID049.HLP";
}

void Installation::UseProfile(const std::string &profile)
{
    std::string folder = TempDirectory() + "\\dadavizi-" + driver + "-" +
                         std::to_string(GetCurrentProcessId()) + "-" +
                         std::to_string(folders_.size());
    CreateDirectoryA(folder.c_str(), NULL);
    folders_.push_back(folder);
    UseDirectory(folder);
    WriteTextFile(profilePath, profile);
    InitMonitorPaths(folder.c_str(), static_cast<UINT>(folder.size()));
}

void Installation::WriteSystemProfile(const std::string &profile)
{
    UseDirectory(SystemDirectory());
    if (!systemProfileSaved_) {
        hadSystemProfile_ = ReadWholeFile(profilePath, &savedSystemProfile_);
        systemProfileSaved_ = true;
    }
    WriteTextFile(profilePath, profile);
}

void Installation::RemoveKeys() const
{
    DeleteKeyTree(HKEY_LOCAL_MACHINE, "SOFTWARE\\Halvik");
    DeleteKeyTree(HKEY_LOCAL_MACHINE, printerKey.c_str());
}

std::string Sz(const std::string &text)
{
    return text + std::string(1, '\0');
}

std::string StoredValue(const std::string &path, const char *name)
{
    std::string data;
    if (!GetRegValue(path.c_str(), name, &data))
        return "<missing>";
    return data;
}

std::string SystemDirectory()
{
    char directory[MAX_PATH] = "";
    UINT length = GetSystemDirectoryA(directory, sizeof directory);
    return std::string(directory, length < sizeof directory ? length : 0);
}

std::string TempDirectory()
{
    char temp[MAX_PATH] = "";
    DWORD length = GetTempPathA(sizeof temp, temp);
    std::string directory(temp, length < sizeof temp ? length : 0);
    if (!directory.empty() && directory.back() == '\\')
        directory.pop_back();
    return directory;
}

bool ReadWholeFile(const std::string &path, std::string *text)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, NULL,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    text->clear();
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(file, buffer, sizeof buffer, &got, NULL) && got)
        text->append(buffer, got);
    CloseHandle(file);
    return true;
}
