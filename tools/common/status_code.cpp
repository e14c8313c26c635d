// The tools' strict reading of a status code.
#include "tools/common/status_code.h"

bool ParseStatusCode(const char *text, LONG *code)
{
    bool negative = false;
    if (*text == '+' || *text == '-')
        negative = (*text++ == '-');
    if (!*text)
        return false;
    DWORD value = 0;  // at most 2147483648, checked before every step
    for (; *text; ++text) {
        if (*text < '0' || *text > '9')
            return false;
        DWORD digit = (DWORD)(*text - '0');
        if (value > (2147483648u - digit) / 10)
            return false;
        value = value * 10 + digit;
    }
    if (!negative && value > 2147483647u)
        return false;
    *code = negative ? (LONG)(0u - value) : (LONG)value;
    return true;
}
