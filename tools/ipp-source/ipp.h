// IPP messages as they travel in HTTP bodies (RFC 8010): a bounded writer for
// the few requests the status source sends, and a bounded reader that takes
// a printer's answer apart without ever reading past it.
#ifndef DADAVIZI_IPP_H
#define DADAVIZI_IPP_H

#include <stddef.h>

namespace ipp {

// Delimiter tags (groups) and the value tags the status source uses.
const int TAG_OPERATION = 0x01;
const int TAG_END = 0x03;
const int TAG_PRINTER = 0x04;
const int TAG_SUBSCRIPTION = 0x06;
const int TAG_EVENT_NOTIFICATION = 0x07;
const int TAG_INTEGER = 0x21;
const int TAG_BOOLEAN = 0x22;
const int TAG_ENUM = 0x23;
const int TAG_BEGIN_COLLECTION = 0x34;
const int TAG_TEXT_WITH_LANGUAGE = 0x35;
const int TAG_NAME_WITH_LANGUAGE = 0x36;
const int TAG_END_COLLECTION = 0x37;
const int TAG_TEXT = 0x41;
const int TAG_NAME = 0x42;
const int TAG_KEYWORD = 0x44;
const int TAG_URI = 0x45;
const int TAG_CHARSET = 0x47;
const int TAG_LANGUAGE = 0x48;
const int TAG_MEMBER_NAME = 0x4A;

const int OP_GET_PRINTER_ATTRIBUTES = 0x000B;
const int OP_CREATE_PRINTER_SUBSCRIPTIONS = 0x0016;
const int OP_RENEW_SUBSCRIPTION = 0x001A;
const int OP_CANCEL_SUBSCRIPTION = 0x001B;
const int OP_GET_NOTIFICATIONS = 0x001C;

// Status codes from 0x0400 on are errors.
const int STATUS_ERROR = 0x0400;
const int STATUS_FORBIDDEN = 0x0401;
const int STATUS_NOT_AUTHENTICATED = 0x0402;
const int STATUS_NOT_AUTHORIZED = 0x0403;
const int STATUS_NOT_FOUND = 0x0406;
const int STATUS_TOO_MANY_SUBSCRIPTIONS = 0x0415;
const int STATUS_OPERATION_NOT_SUPPORTED = 0x0501;

// Collections nest at most this deep; deeper answers are refused whole.
const int MAX_DEPTH = 8;

// Writes a request into the caller's buffer; any write that would not fit
// marks the request as failed instead.
class Writer {
public:
    Writer(unsigned char *buffer, size_t capacity);
    // Version 1.1, which every IPP printer takes, then operation and id.
    void Begin(int operation, long requestId);
    void Group(int tag);
    // An empty name adds a further value to the previous attribute.
    void String(int tag, const char *name, const char *value);
    void Integer(int tag, const char *name, long value);
    void Boolean(const char *name, bool value);
    // The length of the finished request; 0 when it did not fit.
    size_t Finish();

private:
    void Byte(unsigned value);
    void Short(unsigned value);
    void Bytes(const void *data, size_t length);
    void Name(int tag, const char *name);

    unsigned char *buffer_;
    size_t capacity_;
    size_t used_;
    bool ok_;
};

// One value of an attribute, pointing into the message.
struct Value {
    int group;                 // delimiter tag of the group it is in
    int groupIndex;            // counts groups from 1: two groups may share a tag
    int tag;                   // value tag
    const char *name;          // the attribute's name; repeated for further values
    int nameLength;
    int depth;                 // collection nesting: 0 outside any collection
    const unsigned char *data;
    int length;
};

// Walks a message value by value. Every length is checked against what is
// left of the message before it is used.
class Reader {
public:
    Reader(const unsigned char *data, size_t size);
    // The message header: false when the message is too short for one.
    bool Header(int *statusCode, long *requestId);
    // The next value; false at the end of the attributes or on malformed
    // data, which Failed() tells apart.
    bool Next(Value *value);
    bool Failed() const { return failed_; }

private:
    bool Fail();

    const unsigned char *data_;
    size_t size_;
    size_t at_;
    int group_;
    int groupIndex_;
    int depth_;
    // The attribute name at each nesting level: outside collections, then
    // the member names inside each.
    const char *names_[MAX_DEPTH + 1];
    int nameLengths_[MAX_DEPTH + 1];
    bool failed_;
    bool ended_;
};

bool NameIs(const Value &value, const char *name);
// A 4-byte integer or enum; `fallback` for any other value.
long IntegerOf(const Value &value, long fallback);
// The value's text, cut to fit `capacity` bytes with its terminator; the
// language part of a text-with-language value is left out.
void CopyText(const Value &value, char *out, size_t capacity);

const int MAX_REASONS = 16;
const int MAX_MARKERS = 16;
const int KEYWORD_SIZE = 64;
const int MESSAGE_SIZE = 1024;  // UTF-8: up to 4 bytes a character

// What a printer's answer says about it. Unknown numbers are -1.
struct PrinterStatus {
    int statusCode;
    long requestId;
    char statusMessage[MESSAGE_SIZE];
    int state;  // 3 idle, 4 processing, 5 stopped
    int reasonCount;
    char reasons[MAX_REASONS][KEYWORD_SIZE];
    char message[MESSAGE_SIZE];
    long queuedJobs;
    int markerCount;
    char markerNames[MAX_MARKERS][KEYWORD_SIZE];
    int markerLevelCount;
    long markerLevels[MAX_MARKERS];
    long subscriptionId;   // from a subscription's answer
    long leaseDuration;    // notify-lease-duration granted, seconds
    long getInterval;      // notify-get-interval, seconds
    int events;            // event notification groups in the answer
    long lastSequence;     // highest notify-sequence-number among them
};

// Reads a whole answer into `status`; false when it is malformed (truncated,
// a length past its end, collections too deep), and then `status` holds
// only what came before the fault.
bool ParseResponse(const unsigned char *data, size_t size, PrinterStatus *status);

}  // namespace ipp

#endif
