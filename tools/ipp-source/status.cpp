// Maps a printer's state and reasons to a status code and its texts.
#include "tools/ipp-source/status.h"

#include <string.h>

#include "registry/settings.h"
#include "tools/common/bounded_text.h"

namespace {

// Lowest to highest: the worst reason decides.
enum Severity { IGNORED = 0, MAPPED_ONLY = 1, WARNING = 2, ERROR_ = 3 };

const char *const ERROR_REASONS[] = {
    "media-jam", "media-empty", "media-needed", "door-open", "cover-open", "toner-empty",
    "marker-supply-empty", "input-tray-missing", "output-area-full", "shutdown",
};
const char *const WARNING_REASONS[] = {"toner-low", "marker-supply-low", "media-low"};

struct ReasonText {
    const char *reason;
    const char *text;
};
const ReasonText REASON_TEXTS[] = {
    {"media-jam", "Paper jam"},
    {"media-empty", "Out of paper"},
    {"media-needed", "Load paper"},
    {"media-low", "Paper low"},
    {"door-open", "Door open"},
    {"cover-open", "Cover open"},
    {"toner-empty", "Out of toner"},
    {"toner-low", "Toner low"},
    {"marker-supply-empty", "Out of ink or toner"},
    {"marker-supply-low", "Ink or toner low"},
    {"input-tray-missing", "Paper tray missing"},
    {"output-area-full", "Output tray full"},
    {"shutdown", "Printer shut down"},
    {"paused", "Printer stopped"},
    {"offline", "Printer offline"},
};

const int ABSENT = -2147483647 - 1;

// The codes of the printer's states, and their keys in [IppStatus]; the
// codes of the reasons not mapped there follow from their class. The
// mapping is these two tables: a change of the defaults is an edit here.
struct StateCode {
    const char *key;
    LONG code;
};
const StateCode STATE_READY = {"Ready", CODE_READY};
const StateCode STATE_STOPPED = {"Stopped", CODE_ERROR};
const StateCode STATE_UNREACHABLE = {"Unreachable", CODE_ERROR};
LONG CodeOfClass(Severity severity)
{
    return severity == ERROR_ ? CODE_ERROR : CODE_WARNING;
}

// Keys of the section that are not reasons: the states above and the
// source's settings. A printer reason of the same name (the profile's
// keys are not case-sensitive) is not looked up, or it would take a
// setting's number as its code.
const char *const NOT_REASONS[] = {
    "Ready", "Stopped", "Unreachable", "UnreachableHelp", "PollSeconds", "IntervalSeconds",
    "UnreachableSeconds", "Subscribe", "Uri", "Proxy", "AcceptSelfSigned",
};

bool SameAscii(const char *a, const char *b)
{
    for (;; ++a, ++b) {
        char x = *a >= 'A' && *a <= 'Z' ? (char)(*a - 'A' + 'a') : *a;
        char y = *b >= 'A' && *b <= 'Z' ? (char)(*b - 'A' + 'a') : *b;
        if (x != y)
            return false;
        if (!x)
            return true;
    }
}

// The code the profile maps `reason` to, or ABSENT.
int ReasonCode(const char *reason, CodeLookup lookup)
{
    for (const char *key : NOT_REASONS)
        if (SameAscii(reason, key))
            return ABSENT;
    return lookup(reason, ABSENT);
}

bool InList(const char *base, const char *const *list, size_t count)
{
    for (size_t index = 0; index < count; ++index)
        if (strcmp(base, list[index]) == 0)
            return true;
    return false;
}

// Splits a reason keyword into its base and its suffix class.
Severity ClassOf(const char *reason, char *base, size_t capacity)
{
    CopyCut(base, capacity, reason);
    static const struct {
        const char *suffix;
        Severity severity;
    } suffixes[] = {{"-error", ERROR_}, {"-warning", WARNING}, {"-report", IGNORED}};
    size_t length = strlen(base);
    for (const auto &entry : suffixes) {
        size_t suffix = strlen(entry.suffix);
        if (length > suffix && strcmp(base + length - suffix, entry.suffix) == 0) {
            base[length - suffix] = '\0';
            return entry.severity;
        }
    }
    if (InList(base, ERROR_REASONS, sizeof ERROR_REASONS / sizeof *ERROR_REASONS))
        return ERROR_;
    if (InList(base, WARNING_REASONS, sizeof WARNING_REASONS / sizeof *WARNING_REASONS))
        return WARNING;
    return IGNORED;
}

const char *TextOf(const char *base)
{
    for (const ReasonText &entry : REASON_TEXTS)
        if (strcmp(base, entry.reason) == 0)
            return entry.text;
    return NULL;
}

void Number(char *out, long value)
{
    wsprintfA(out, "%ld", value);  // at most 11 characters
}

void BeginReport(const char *uri, StatusReport *report)
{
    memset(report, 0, sizeof *report);
    Utf8ToAnsi(uri, report->uri, sizeof report->uri);
}

}  // namespace

int ProfileCodeLookup(const char *key, int fallback)
{
    return ReadProfileInt(IPP_STATUS_SECTION, key, fallback);
}

void Utf8ToAnsi(const char *utf8, char *out, int capacity)
{
    if (capacity <= 0)
        return;
    out[0] = '\0';
    // Each byte of UTF-8 gives at most one UTF-16 unit.
    WCHAR wide[ipp::MESSAGE_SIZE + 1];
    int length = lstrlenA(utf8);
    if (length > ipp::MESSAGE_SIZE)
        length = ipp::MESSAGE_SIZE;
    int units = length ? MultiByteToWideChar(CP_UTF8, 0, utf8, length, wide, ipp::MESSAGE_SIZE)
                       : 0;
    int used = 0;
    for (int index = 0; index < units;) {
        // A surrogate pair is one character.
        int count = (wide[index] >= 0xD800 && wide[index] <= 0xDBFF && index + 1 < units) ? 2 : 1;
        char bytes[8];
        // No ANSI code page holds a character beyond the first 65536.
        int got = count == 1 ? WideCharToMultiByte(CP_ACP, 0, wide + index, 1, bytes,
                                                   sizeof bytes, "?", NULL)
                             : 0;
        if (got <= 0) {
            bytes[0] = '?';
            got = 1;
        }
        if (used + got > capacity - 1)
            break;
        memcpy(out + used, bytes, (size_t)got);
        used += got;
        index += count;
    }
    out[used] = '\0';
}

void MapPrinterStatus(const ipp::PrinterStatus &status, const char *uri, CodeLookup lookup,
                      StatusReport *report)
{
    BeginReport(uri, report);

    Severity worst = IGNORED;
    LONG worstCode = 0;
    char worstBase[ipp::KEYWORD_SIZE] = "";
    size_t joined = 0;
    for (int index = 0; index < status.reasonCount; ++index) {
        const char *reason = status.reasons[index];
        // The list as the printer gave it, cut at a whole keyword.
        size_t length = strlen(reason);
        if (joined + (joined ? 1 : 0) + length < sizeof report->reasons) {
            if (joined)
                report->reasons[joined++] = ',';
            memcpy(report->reasons + joined, reason, length + 1);
            joined += length;
        }
        if (strcmp(reason, "none") == 0)
            continue;
        char base[ipp::KEYWORD_SIZE];
        Severity severity = ClassOf(reason, base, sizeof base);
        int code = ReasonCode(reason, lookup);
        if (code == ABSENT)
            code = ReasonCode(base, lookup);
        if (code != ABSENT && severity < MAPPED_ONLY)
            severity = MAPPED_ONLY;
        if (severity <= worst)
            continue;
        worst = severity;
        worstCode = code != ABSENT ? code : CodeOfClass(severity);
        CopyCut(worstBase, sizeof worstBase, base);
    }

    const char *fallbackText = NULL;
    if (worst != IGNORED) {
        report->code = worstCode;
        fallbackText = TextOf(worstBase);
        if (!fallbackText)
            fallbackText = worstBase;
    } else if (status.state == 5) {
        report->code = lookup(STATE_STOPPED.key, STATE_STOPPED.code);
        fallbackText = "Printer stopped";
    } else {
        report->code = lookup(STATE_READY.key, STATE_READY.code);
        fallbackText = "Ready";
    }
    report->help = worst != IGNORED || status.state == 5;

    // The printer's own words first; blanks alone say nothing.
    const char *message = status.message;
    while (*message == ' ')
        ++message;
    Utf8ToAnsi(*message ? message : fallbackText, report->text, sizeof report->text);

    CopyCut(report->state, sizeof report->state,
            status.state == 3   ? "idle"
            : status.state == 4 ? "processing"
            : status.state == 5 ? "stopped"
                                : "unknown");
    if (status.queuedJobs >= 0)
        Number(report->jobs, status.queuedJobs);
    else
        CopyCut(report->jobs, sizeof report->jobs, "unknown");

    for (int index = 0; index < status.markerCount; ++index) {
        char name[DETAIL_SIZE];
        Utf8ToAnsi(status.markerNames[index], name, sizeof name - 8);
        wsprintfA(report->markerNames[report->markerCount], "Marker %s", name);
        long level = index < status.markerLevelCount ? status.markerLevels[index] : -1;
        if (level >= 0 && level <= 100)
            wsprintfA(report->markerLevels[report->markerCount], "%ld%%", level);
        else
            CopyCut(report->markerLevels[report->markerCount], DETAIL_SIZE, "unknown");
        ++report->markerCount;
    }
}

void MapUnreachable(const char *uri, CodeLookup lookup, StatusReport *report)
{
    BeginReport(uri, report);
    report->code = lookup(STATE_UNREACHABLE.key, STATE_UNREACHABLE.code);
    // The help topic would open on every laptop away from its printer.
    report->help = lookup("UnreachableHelp", 0) != 0;
    CopyCut(report->text, sizeof report->text, "Printer not reachable");
    CopyCut(report->state, sizeof report->state, "unknown");
    CopyCut(report->jobs, sizeof report->jobs, "unknown");
}

bool ReportChanged(const StatusReport &before, const StatusReport &after)
{
    return before.code != after.code || strcmp(before.text, after.text) != 0;
}
