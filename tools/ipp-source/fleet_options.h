// Options for a fleet: what an administrator sets for every desktop, in
// the profile (Group Policy Preferences write INI files), and the package's
// Run value, which passes IPPSOURCE as one quoted argument.
#ifndef DADAVIZI_IPP_FLEET_OPTIONS_H
#define DADAVIZI_IPP_FLEET_OPTIONS_H

#include <windows.h>

#include "tools/ipp-source/http.h"

// [IppStatus] Uri=, Proxy= and AcceptSelfSigned= (1 or 0), for what the
// command line does not give. Empty strings where the profile has none.
struct ProfileOptions {
    char uri[URI_SIZE];
    char proxy[256];
    bool acceptSelfSigned;
};
void ReadProfileOptions(ProfileOptions *options);

// The arguments with each one that holds spaces split into its words: a
// printer URI never holds a space, so "--accept-self-signed ipps://p/ipp"
// given as one argument means two. `storage` holds the words; at most
// `most` of them go to `out`. Returns their count, or -1 when they do not
// fit.
int SplitArguments(int argc, char **argv, char *storage, int storageSize, char **out, int most);

#endif
