// Keeping printers' certificates: CryptoAPI for the hash (SHA-256 needs the
// AES provider, on Windows XP SP3 and later), the registry for the store.
#include "tools/ipp-source/pinning.h"

#include <wincrypt.h>

// Declared for Windows XP SP3 and later targets only; the program is built
// for older ones and finds out at run time whether they are there.
#ifndef PROV_RSA_AES
#define PROV_RSA_AES 24
#endif
#ifndef CALG_SHA_256
#define CALG_SHA_256 (ALG_CLASS_HASH | ALG_TYPE_ANY | 12)
#endif

namespace {

class RegKey {
public:
    RegKey() : key_(NULL) {}
    ~RegKey()
    {
        if (key_)
            RegCloseKey(key_);
    }
    HKEY *Out() { return &key_; }
    HKEY Get() const { return key_; }

private:
    RegKey(const RegKey &);
    RegKey &operator=(const RegKey &);
    HKEY key_;
};

bool IsFingerprint(const char *text)
{
    int length = 0;
    for (; text[length]; ++length) {
        char c = text[length];
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f')))
            return false;
    }
    return length == FINGERPRINT_SIZE - 1;
}

}  // namespace

bool Fingerprint(const BYTE *der, DWORD length, char fingerprint[FINGERPRINT_SIZE])
{
    fingerprint[0] = '\0';
    HCRYPTPROV provider = 0;
    if (!CryptAcquireContextA(&provider, NULL, NULL, PROV_RSA_AES, CRYPT_VERIFYCONTEXT))
        return false;
    bool made = false;
    HCRYPTHASH hash = 0;
    if (CryptCreateHash(provider, CALG_SHA_256, 0, 0, &hash)) {
        BYTE digest[32];
        DWORD size = sizeof digest;
        if (CryptHashData(hash, der, length, 0) &&
            CryptGetHashParam(hash, HP_HASHVAL, digest, &size, 0) && size == sizeof digest) {
            static const char HEX[] = "0123456789abcdef";
            for (DWORD index = 0; index < size; ++index) {
                fingerprint[index * 2] = HEX[digest[index] >> 4];
                fingerprint[index * 2 + 1] = HEX[digest[index] & 15];
            }
            fingerprint[FINGERPRINT_SIZE - 1] = '\0';
            made = true;
        }
        CryptDestroyHash(hash);
    }
    CryptReleaseContext(provider, 0);
    return made;
}

PinCheck CheckPin(const char *uri, const char *fingerprint, char kept[FINGERPRINT_SIZE])
{
    kept[0] = '\0';
    RegKey key;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, PRINTER_CERTIFICATES_KEY, 0, NULL, 0,
                        KEY_QUERY_VALUE | KEY_SET_VALUE, NULL, key.Out(), NULL) != ERROR_SUCCESS)
        return PIN_UNKEPT;
    char value[FINGERPRINT_SIZE + 8] = "";
    DWORD type = 0, size = sizeof value - 1;
    LONG read = RegQueryValueExA(key.Get(), uri, NULL, &type, reinterpret_cast<BYTE *>(value), &size);
    if (read == ERROR_SUCCESS || read == ERROR_MORE_DATA) {
        value[read == ERROR_SUCCESS && size < sizeof value ? size : 0] = '\0';
        if (type == REG_SZ && IsFingerprint(value)) {
            lstrcpynA(kept, value, FINGERPRINT_SIZE);
            return lstrcmpA(value, fingerprint) == 0 ? PIN_MATCHES : PIN_CHANGED;
        }
        // Something else stands there: never trusted, never overwritten.
        lstrcpynA(kept, "(not a fingerprint)", FINGERPRINT_SIZE);
        return PIN_CHANGED;
    }
    if (RegSetValueExA(key.Get(), uri, 0, REG_SZ, reinterpret_cast<const BYTE *>(fingerprint),
                       (DWORD)lstrlenA(fingerprint) + 1) != ERROR_SUCCESS)
        return PIN_UNKEPT;
    return PIN_KEPT;
}

LONG ForgetPin(const char *uri)
{
    RegKey key;
    LONG opened = RegOpenKeyExA(HKEY_CURRENT_USER, PRINTER_CERTIFICATES_KEY, 0, KEY_SET_VALUE,
                                key.Out());
    if (opened != ERROR_SUCCESS)
        return opened;
    return RegDeleteValueA(key.Get(), uri);
}
