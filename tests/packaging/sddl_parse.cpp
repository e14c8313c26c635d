// sddl-parse: tells whether Windows takes each argument as a security
// descriptor string, for the package's contract check. Windows Installer 5
// hands the SDDLText of MsiLockPermissionsEx to the same conversion and
// fails the installation with error 1943 when it refuses the text; Wine's
// msi ignores the table, so the conversion itself is asked here.
//
//   sddl-parse SDDL...
//
// One line per argument: "ok SDDL", or "refused SDDL (error N)" with
// GetLastError. Exit codes: 0 every string parsed, 1 usage, 2 one refused.
#include <windows.h>
#include <sddl.h>

#include <stdio.h>

int main(int argc, char **argv)
{
    if (argc < 2) {
        fputs("usage: sddl-parse SDDL...\n", stderr);
        return 1;
    }
    int result = 0;
    for (int i = 1; i < argc; ++i) {
        PSECURITY_DESCRIPTOR descriptor = NULL;
        if (ConvertStringSecurityDescriptorToSecurityDescriptorA(argv[i], SDDL_REVISION_1,
                                                                 &descriptor, NULL)) {
            printf("ok %s\n", argv[i]);
            LocalFree(descriptor);
        } else {
            printf("refused %s (error %lu)\n", argv[i], GetLastError());
            result = 2;
        }
    }
    return result;
}
