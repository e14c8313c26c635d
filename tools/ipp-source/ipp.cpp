// The IPP message writer and reader, and the reading of a printer's answer.
#include "tools/ipp-source/ipp.h"

#include <string.h>

#include "tools/common/bounded_text.h"

namespace ipp {

// --- Writing --------------------------------------------------------------

Writer::Writer(unsigned char *buffer, size_t capacity)
    : buffer_(buffer), capacity_(capacity), used_(0), ok_(buffer != NULL)
{
}

void Writer::Byte(unsigned value)
{
    if (!ok_ || used_ >= capacity_) {
        ok_ = false;
        return;
    }
    buffer_[used_++] = (unsigned char)(value & 0xFF);
}

void Writer::Short(unsigned value)
{
    Byte(value >> 8);
    Byte(value);
}

void Writer::Bytes(const void *data, size_t length)
{
    if (!ok_ || length > capacity_ - used_) {
        ok_ = false;
        return;
    }
    memcpy(buffer_ + used_, data, length);
    used_ += length;
}

void Writer::Begin(int operation, long requestId)
{
    used_ = 0;
    ok_ = buffer_ != NULL;
    Byte(1);
    Byte(1);
    Short((unsigned)operation);
    unsigned long id = (unsigned long)requestId;
    Short((unsigned)(id >> 16));
    Short((unsigned)id);
}

void Writer::Group(int tag)
{
    Byte((unsigned)tag);
}

void Writer::Name(int tag, const char *name)
{
    size_t length = name ? strlen(name) : 0;
    if (length > 0x7FFF)
        ok_ = false;
    Byte((unsigned)tag);
    Short((unsigned)length);
    Bytes(name, length);
}

void Writer::String(int tag, const char *name, const char *value)
{
    size_t length = value ? strlen(value) : 0;
    if (length > 0x7FFF)
        ok_ = false;
    Name(tag, name);
    Short((unsigned)length);
    Bytes(value, length);
}

void Writer::Integer(int tag, const char *name, long value)
{
    Name(tag, name);
    Short(4);
    unsigned long bits = (unsigned long)value;
    Short((unsigned)(bits >> 16));
    Short((unsigned)bits);
}

void Writer::Boolean(const char *name, bool value)
{
    Name(TAG_BOOLEAN, name);
    Short(1);
    Byte(value ? 1 : 0);
}

size_t Writer::Finish()
{
    Byte(TAG_END);
    return ok_ ? used_ : 0;
}

// --- Reading --------------------------------------------------------------

Reader::Reader(const unsigned char *data, size_t size)
    : data_(data), size_(data ? size : 0), at_(0), group_(0), groupIndex_(0), depth_(0),
      failed_(false), ended_(false)
{
    for (int level = 0; level <= MAX_DEPTH; ++level) {
        names_[level] = "";
        nameLengths_[level] = 0;
    }
}

bool Reader::Fail()
{
    failed_ = true;
    ended_ = true;
    return false;
}

bool Reader::Header(int *statusCode, long *requestId)
{
    if (size_ < 8)
        return Fail();
    *statusCode = (data_[2] << 8) | data_[3];
    *requestId = (long)(((unsigned long)data_[4] << 24) | ((unsigned long)data_[5] << 16) |
                        ((unsigned long)data_[6] << 8) | data_[7]);
    at_ = 8;
    return true;
}

bool Reader::Next(Value *value)
{
    if (at_ < 8)
        return Fail();  // Header() first
    while (!ended_) {
        if (at_ >= size_)
            return Fail();  // no end-of-attributes tag
        int tag = data_[at_];
        if (tag < 0x10) {
            // A group delimiter; end-of-attributes closes the message, and
            // must not come inside a collection.
            ++at_;
            if (tag == TAG_END) {
                ended_ = true;
                return depth_ == 0 ? false : Fail();
            }
            if (depth_ != 0)
                return Fail();
            group_ = tag;
            ++groupIndex_;
            names_[0] = "";
            nameLengths_[0] = 0;
            continue;
        }
        if (group_ == 0)
            return Fail();  // a value before any group
        // tag, name length, name, value length, value: each checked
        // against what is left.
        size_t left = size_ - at_;
        if (left < 3)
            return Fail();
        size_t nameLength = ((size_t)data_[at_ + 1] << 8) | data_[at_ + 2];
        if (nameLength > left - 3 || left - 3 - nameLength < 2)
            return Fail();
        const unsigned char *name = data_ + at_ + 3;
        size_t valueAt = at_ + 3 + nameLength;
        size_t valueLength = ((size_t)data_[valueAt] << 8) | data_[valueAt + 1];
        valueAt += 2;
        if (valueLength > size_ - valueAt)
            return Fail();
        at_ = valueAt + valueLength;

        if (nameLength > 0) {
            // Inside a collection only member names may name values.
            if (depth_ != 0)
                return Fail();
            names_[0] = (const char *)name;
            nameLengths_[0] = (int)nameLength;
        }
        if (tag == TAG_MEMBER_NAME) {
            if (depth_ == 0)
                return Fail();
            names_[depth_] = (const char *)(data_ + valueAt);
            nameLengths_[depth_] = (int)valueLength;
            continue;
        }
        if (tag == TAG_END_COLLECTION) {
            if (depth_ == 0)
                return Fail();
            --depth_;
            continue;
        }
        value->group = group_;
        value->groupIndex = groupIndex_;
        value->tag = tag;
        value->name = names_[depth_];
        value->nameLength = nameLengths_[depth_];
        value->depth = depth_;
        value->data = data_ + valueAt;
        value->length = (int)valueLength;
        if (tag == TAG_BEGIN_COLLECTION) {
            if (depth_ >= MAX_DEPTH)
                return Fail();
            ++depth_;
            names_[depth_] = "";
            nameLengths_[depth_] = 0;
        }
        return true;
    }
    return false;
}

bool NameIs(const Value &value, const char *name)
{
    size_t length = strlen(name);
    return (size_t)value.nameLength == length && memcmp(value.name, name, length) == 0;
}

long IntegerOf(const Value &value, long fallback)
{
    if ((value.tag != TAG_INTEGER && value.tag != TAG_ENUM) || value.length != 4)
        return fallback;
    unsigned long bits = ((unsigned long)value.data[0] << 24) |
                         ((unsigned long)value.data[1] << 16) |
                         ((unsigned long)value.data[2] << 8) | value.data[3];
    return (long)bits;
}

void CopyText(const Value &value, char *out, size_t capacity)
{
    if (capacity == 0)
        return;
    const unsigned char *text = value.data;
    size_t length = (size_t)value.length;
    if (value.tag == TAG_TEXT_WITH_LANGUAGE || value.tag == TAG_NAME_WITH_LANGUAGE) {
        // Two lengths and two strings: the language, then the text.
        size_t language = length >= 2 ? (((size_t)text[0] << 8) | text[1]) : length;
        if (length < 4 || language > length - 4) {
            length = 0;
        } else {
            const unsigned char *part = text + 2 + language;
            size_t partLength = ((size_t)part[0] << 8) | part[1];
            text = part + 2;
            size_t rest = length - 4 - language;
            length = partLength < rest ? partLength : rest;
        }
    }
    // An embedded NUL would cut the text short anyway; keep it consistent.
    CopyCut(out, capacity, reinterpret_cast<const char *>(text), length);
}

bool ParseResponse(const unsigned char *data, size_t size, PrinterStatus *status)
{
    memset(status, 0, sizeof *status);
    status->statusCode = -1;
    status->state = -1;
    status->queuedJobs = -1;
    status->subscriptionId = -1;
    status->leaseDuration = -1;
    status->getInterval = -1;
    status->lastSequence = -1;

    Reader reader(data, size);
    if (!reader.Header(&status->statusCode, &status->requestId))
        return false;
    Value value;
    int eventGroup = 0;
    while (reader.Next(&value)) {
        if (value.depth != 0)
            continue;
        if (value.group == TAG_EVENT_NOTIFICATION) {
            if (value.groupIndex != eventGroup) {
                eventGroup = value.groupIndex;
                ++status->events;
            }
            if (NameIs(value, "notify-sequence-number")) {
                long sequence = IntegerOf(value, -1);
                if (sequence > status->lastSequence)
                    status->lastSequence = sequence;
            }
        } else if (value.group == TAG_OPERATION) {
            if (NameIs(value, "status-message"))
                CopyText(value, status->statusMessage, sizeof status->statusMessage);
            else if (NameIs(value, "notify-get-interval"))
                status->getInterval = IntegerOf(value, -1);
            else if (NameIs(value, "notify-lease-duration"))
                status->leaseDuration = IntegerOf(value, -1);
        } else if (value.group == TAG_SUBSCRIPTION) {
            if (NameIs(value, "notify-subscription-id"))
                status->subscriptionId = IntegerOf(value, -1);
            else if (NameIs(value, "notify-lease-duration"))
                status->leaseDuration = IntegerOf(value, -1);
        } else if (value.group == TAG_PRINTER) {
            if (NameIs(value, "printer-state")) {
                status->state = (int)IntegerOf(value, -1);
            } else if (NameIs(value, "printer-state-reasons")) {
                if (status->reasonCount < MAX_REASONS)
                    CopyText(value, status->reasons[status->reasonCount++], KEYWORD_SIZE);
            } else if (NameIs(value, "printer-state-message")) {
                CopyText(value, status->message, sizeof status->message);
            } else if (NameIs(value, "queued-job-count")) {
                status->queuedJobs = IntegerOf(value, -1);
            } else if (NameIs(value, "marker-names")) {
                if (status->markerCount < MAX_MARKERS)
                    CopyText(value, status->markerNames[status->markerCount++], KEYWORD_SIZE);
            } else if (NameIs(value, "marker-levels")) {
                if (status->markerLevelCount < MAX_MARKERS)
                    status->markerLevels[status->markerLevelCount++] = IntegerOf(value, -1);
            }
        }
    }
    return !reader.Failed();
}

}  // namespace ipp
