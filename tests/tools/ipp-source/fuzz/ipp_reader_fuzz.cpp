// libFuzzer target: the IPP reader, over whatever a printer might send.
// Built natively with AddressSanitizer and UBSan by run.sh: a read past the
// answer or an overflow of a fixed field stops the run.
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include "tools/ipp-source/ipp.h"

namespace {

void MustBeTerminated(const char *text, size_t size)
{
    if (!memchr(text, '\0', size))
        abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static ipp::PrinterStatus status;
    if (!ipp::ParseResponse(data, size, &status))
        return 0;
    if (status.reasonCount > ipp::MAX_REASONS || status.markerCount > ipp::MAX_MARKERS ||
        status.markerLevelCount > ipp::MAX_MARKERS)
        abort();
    MustBeTerminated(status.message, sizeof status.message);
    MustBeTerminated(status.statusMessage, sizeof status.statusMessage);
    for (int index = 0; index < status.reasonCount; ++index)
        MustBeTerminated(status.reasons[index], ipp::KEYWORD_SIZE);
    for (int index = 0; index < status.markerCount; ++index)
        MustBeTerminated(status.markerNames[index], ipp::KEYWORD_SIZE);
    return 0;
}
