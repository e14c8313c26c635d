// An installation of the monitor for a test, as a printer's setup and its
// status source leave it, under names of the test's own: the settings, the
// printer's driver data, the status data and the profile file. Key names
// come from the program's own headers. Everything it wrote goes with it.
#ifndef DADAVIZI_TEST_INSTALLATION_H
#define DADAVIZI_TEST_INSTALLATION_H

#include <windows.h>

#include <string>
#include <vector>

class Installation {
public:
    // `name` makes the names: status source key "SOFTWARE\Halvik\<name>
    // Source", printer "<name> Printer", profile section "<name>". Earlier
    // keys of the same names are removed; nothing is written yet.
    explicit Installation(const std::string &name);
    ~Installation();
    Installation(const Installation &) = delete;
    Installation &operator=(const Installation &) = delete;

    // The settings and the printer's driver data naming help file 49.
    void Write() const;
    // "Monitor", "Printer" and "Driver" in the settings key.
    void WriteSettings() const;
    void WriteDriverData(const std::string &drvlibIntl = "01Deutsch",
                         const std::string &entry = "Deutsch,49:extra") const;
    // A string value of the status data key.
    void SetStatus(const char *name, const std::string &text) const;

    // A new folder with DODOZOD.INI holding `profile`, made the monitor's
    // system directory: a new file each time, so that no cached profile
    // stands in for it.
    void UseProfile(const std::string &profile);
    // DODOZOD.INI in the real system directory, for programs started as
    // processes; whatever was there is put back at the end.
    void WriteSystemProfile(const std::string &profile);

    // Removes the keys (the profile files stay until the end).
    void RemoveKeys() const;

    std::string monitorKey;     // the settings value "Monitor"
    std::string statusKey;      // the status data key
    std::string printer;        // the settings value "Printer"
    std::string printerKey;     // the printer's key, parent of its driver data
    std::string driverDataKey;
    std::string driver;         // the settings value "Driver": the profile section
    std::string directory;      // the system directory of the last profile
    std::string profilePath;
    std::string helpFile;       // DOZID049.HLP in `directory`

private:
    void UseDirectory(const std::string &folder);

    std::vector<std::string> folders_;
    bool systemProfileSaved_ = false;
    bool hadSystemProfile_ = false;
    std::string savedSystemProfile_;
};

// A REG_SZ as the registry hands it back: the text and its terminator.
std::string Sz(const std::string &text);
// A value of HKEY_LOCAL_MACHINE\path as raw bytes, "<missing>" when it cannot be read.
std::string StoredValue(const std::string &path, const char *name);
// The real system directory, "" when it cannot be read.
std::string SystemDirectory();
std::string TempDirectory();  // without a trailing backslash
bool ReadWholeFile(const std::string &path, std::string *text);

#endif
