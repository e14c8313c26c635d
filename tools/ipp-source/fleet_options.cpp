// Options for a fleet; see fleet_options.h.
#include "tools/ipp-source/fleet_options.h"

#include "app/shared.h"
#include "registry/settings.h"
#include "tools/ipp-source/status.h"

namespace {

void ProfileText(const char *key, char *out, DWORD size)
{
    out[0] = '\0';
    // An empty path means the system directory was too long for it.
    if (g_profilePath[0])
        GetPrivateProfileStringA(IPP_STATUS_SECTION, key, "", out, size, g_profilePath);
    // Blanks around the value say nothing.
    char *start = out;
    while (*start == ' ' || *start == '\t')
        ++start;
    int length = lstrlenA(start);
    while (length > 0 && (start[length - 1] == ' ' || start[length - 1] == '\t'))
        --length;
    for (int index = 0; index < length; ++index)
        out[index] = start[index];
    out[length] = '\0';
}

}  // namespace

void ReadProfileOptions(ProfileOptions *options)
{
    ProfileText("Uri", options->uri, sizeof options->uri);
    ProfileText("Proxy", options->proxy, sizeof options->proxy);
    options->acceptSelfSigned = ReadProfileInt(IPP_STATUS_SECTION, "AcceptSelfSigned", 0) == 1;
}

int SplitArguments(int argc, char **argv, char *storage, int storageSize, char **out, int most)
{
    int count = 0, used = 0;
    for (int index = 0; index < argc; ++index) {
        const char *argument = argv[index];
        // The program's name may hold spaces; it is never split.
        bool split = index > 0;
        for (const char *c = argument; *c;) {
            if (split && (*c == ' ' || *c == '\t')) {
                ++c;
                continue;
            }
            if (count == most)
                return -1;
            out[count++] = storage + used;
            while (*c && !(split && (*c == ' ' || *c == '\t'))) {
                if (used >= storageSize - 1)
                    return -1;
                storage[used++] = *c++;
            }
            if (used >= storageSize)
                return -1;
            storage[used++] = '\0';
        }
        // An empty argument stays one, as given.
        if (!argument[0]) {
            if (count == most || used >= storageSize)
                return -1;
            out[count++] = storage + used;
            storage[used++] = '\0';
        }
    }
    return count;
}
