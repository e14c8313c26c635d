// Builds IPP messages byte by byte for the tests, independent of the
// tool's own writer, so each side checks the other.
#ifndef DADAVIZI_TEST_IPP_MESSAGES_H
#define DADAVIZI_TEST_IPP_MESSAGES_H

#include <string>
#include <vector>

class Message {
public:
    // version 1.1, then the status code (or operation) and request id.
    explicit Message(int status, unsigned long requestId = 1)
    {
        Raw("\x01\x01");
        Short(status);
        Short(static_cast<int>(requestId >> 16));
        Short(static_cast<int>(requestId & 0xFFFF));
    }
    Message &Group(int tag)
    {
        bytes.push_back(static_cast<char>(tag));
        return *this;
    }
    Message &Value(int tag, const std::string &name, const std::string &value)
    {
        bytes.push_back(static_cast<char>(tag));
        Short(static_cast<int>(name.size()));
        bytes += name;
        Short(static_cast<int>(value.size()));
        bytes += value;
        return *this;
    }
    Message &Integer(int tag, const std::string &name, long value)
    {
        std::string data;
        for (int shift = 24; shift >= 0; shift -= 8)
            data.push_back(static_cast<char>((static_cast<unsigned long>(value) >> shift) & 0xFF));
        return Value(tag, name, data);
    }
    Message &End()
    {
        bytes.push_back('\x03');
        return *this;
    }
    Message &Raw(const std::string &data)
    {
        bytes += data;
        return *this;
    }
    const unsigned char *Data() const
    {
        return reinterpret_cast<const unsigned char *>(bytes.data());
    }
    std::string bytes;

private:
    void Short(int value)
    {
        bytes.push_back(static_cast<char>((value >> 8) & 0xFF));
        bytes.push_back(static_cast<char>(value & 0xFF));
    }
};

// A text-with-language value: language and text, each with its length.
inline std::string WithLanguage(const std::string &language, const std::string &text)
{
    std::string value;
    value.push_back(static_cast<char>(language.size() >> 8));
    value.push_back(static_cast<char>(language.size() & 0xFF));
    value += language;
    value.push_back(static_cast<char>(text.size() >> 8));
    value.push_back(static_cast<char>(text.size() & 0xFF));
    value += text;
    return value;
}

// A Get-Printer-Attributes answer of a jammed printer, as CUPS gives it,
// with a collection and a value of a type nobody knows mixed in.
inline Message JammedPrinterAnswer()
{
    Message message(0x0000, 7);
    message.Group(0x01)
        .Value(0x47, "attributes-charset", "utf-8")
        .Value(0x48, "attributes-natural-language", "en")
        .Group(0x04)
        .Integer(0x23, "printer-state", 4)
        .Value(0x44, "printer-state-reasons", "media-jam-error")
        .Value(0x44, "", "toner-low-warning")
        .Value(0x35, "printer-state-message", WithLanguage("de", "Papierstau in Fach 2"))
        .Integer(0x21, "queued-job-count", 2)
        // A collection whose members must not be taken for the printer's own.
        .Value(0x34, "media-col-ready", "")
        .Value(0x4A, "", "printer-state")
        .Integer(0x23, "", 5)
        .Value(0x4A, "", "media-size")
        .Value(0x34, "", "")
        .Value(0x4A, "", "x-dimension")
        .Integer(0x21, "", 21000)
        .Value(0x37, "", "")
        .Value(0x37, "", "")
        .Value(0x5F, "x-vendor-thing", "opaque")
        .Value(0x42, "marker-names", "Black")
        .Value(0x42, "", "Cyan")
        .Integer(0x21, "marker-levels", 85)
        .Integer(0x21, "", -1)
        .End();
    return message;
}

// Printer answers of each kind the source reads: the seeds of the mutation
// test and of the fuzz targets.
inline std::vector<std::string> AnswerSeeds()
{
    std::vector<std::string> seeds;
    seeds.push_back(JammedPrinterAnswer().bytes);
    Message events(0);
    events.Group(0x01).Value(0x47, "attributes-charset", "utf-8")
        .Integer(0x21, "notify-get-interval", 60)
        .Group(0x07).Integer(0x21, "notify-sequence-number", 4)
        .Value(0x44, "notify-subscribed-event", "printer-state-changed")
        .Value(0x44, "printer-state-reasons", "media-empty-error")
        .Group(0x07).Integer(0x21, "notify-sequence-number", 5).End();
    seeds.push_back(events.bytes);
    Message subscribed(0);
    subscribed.Group(0x01).Value(0x47, "attributes-charset", "utf-8")
        .Group(0x06).Integer(0x21, "notify-subscription-id", 3).End();
    seeds.push_back(subscribed.bytes);
    Message refused(0x0406);
    refused.Group(0x01).Value(0x41, "status-message", "no such queue").End();
    seeds.push_back(refused.bytes);
    return seeds;
}

#endif
