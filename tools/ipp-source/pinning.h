// Printers' certificates accepted on first use (--accept-self-signed): the
// SHA-256 of each printer's leaf certificate, kept per printer URI in the
// user's key of the program. A printer that shows another certificate later
// is not asked until the user forgets the one kept.
#ifndef DADAVIZI_IPP_PINNING_H
#define DADAVIZI_IPP_PINNING_H

#include <windows.h>

// Under HKEY_CURRENT_USER; one REG_SZ value per printer URI (as the
// printer-uri attribute names it), holding 64 hexadecimal digits.
#define PRINTER_CERTIFICATES_KEY "SOFTWARE\\Halvik\\DadaVizi\\Printer Certificates"

// 64 hexadecimal digits and their terminator.
const int FINGERPRINT_SIZE = 65;

// The SHA-256 of `der` (a certificate as encoded) in lower-case hex; false
// when the system's cryptographic provider cannot make it.
bool Fingerprint(const BYTE *der, DWORD length, char fingerprint[FINGERPRINT_SIZE]);

enum PinCheck {
    PIN_KEPT,       // the first certificate seen for this URI: now kept
    PIN_MATCHES,    // the one kept
    PIN_CHANGED,    // another than the one kept (that one is in `kept`)
    PIN_UNKEPT,     // none kept and it cannot be kept (the key is not writable)
};

// Compares `fingerprint` with the one kept for `uri`, keeping it when there
// is none. A kept value that is not a fingerprint counts as changed.
PinCheck CheckPin(const char *uri, const char *fingerprint, char kept[FINGERPRINT_SIZE]);

// Forgets the certificate kept for `uri`: ERROR_SUCCESS, ERROR_FILE_NOT_FOUND
// when none was kept, or the registry's error.
LONG ForgetPin(const char *uri);

#endif
