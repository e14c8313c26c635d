// The IPP writer and reader (ipp.cpp) against messages built byte by byte.
#include <gtest/gtest.h>

#include "tools/ipp-source/ipp.h"

#include "ipp_messages.h"

#include <string.h>

#include <string>
#include <vector>

namespace {

std::string Written(const unsigned char *buffer, size_t length)
{
    return std::string(reinterpret_cast<const char *>(buffer), length);
}

// One Get-Notifications request with a value of every kind the writer has.
size_t WriteRequest(unsigned char *buffer, size_t capacity)
{
    ipp::Writer writer(buffer, capacity);
    writer.Begin(ipp::OP_GET_NOTIFICATIONS, 0x01020304);
    writer.Group(ipp::TAG_OPERATION);
    writer.String(ipp::TAG_CHARSET, "attributes-charset", "utf-8");
    writer.String(ipp::TAG_KEYWORD, "", "more");
    writer.Integer(ipp::TAG_INTEGER, "notify-subscription-ids", -2);
    writer.Boolean("notify-wait", true);
    return writer.Finish();
}

TEST(IppWriter, WritesARequestByteForByteAndRefusesOneThatDoesNotFit)
{
    unsigned char buffer[256];
    size_t length = WriteRequest(buffer, sizeof buffer);

    Message expected(ipp::OP_GET_NOTIFICATIONS, 0x01020304);
    expected.Group(0x01)
        .Value(0x47, "attributes-charset", "utf-8")
        .Value(0x44, "", "more")
        .Integer(0x21, "notify-subscription-ids", -2)
        .Value(0x22, "notify-wait", std::string(1, '\x01'))
        .End();
    EXPECT_EQ(expected.bytes, Written(buffer, length));

    // Every capacity short of the whole request fails, and nothing is
    // written past the capacity.
    for (size_t capacity = 0; capacity < expected.bytes.size(); ++capacity) {
        std::vector<unsigned char> small(capacity + 16, 0xEE);
        EXPECT_EQ(0u, WriteRequest(small.data(), capacity)) << "capacity " << capacity;
        for (size_t index = capacity; index < small.size(); ++index)
            ASSERT_EQ(0xEE, small[index]) << "written past capacity " << capacity;
    }
}

TEST(IppReader, TakesAPrinterAnswerApartWithCollectionsAndUnknownTags)
{
    Message answer = JammedPrinterAnswer();
    ipp::PrinterStatus status;
    ASSERT_TRUE(ipp::ParseResponse(answer.Data(), answer.bytes.size(), &status));
    EXPECT_EQ(0, status.statusCode);
    EXPECT_EQ(7, status.requestId);
    EXPECT_EQ(4, status.state) << "the collection's member printer-state is not the printer's";
    ASSERT_EQ(2, status.reasonCount);
    EXPECT_STREQ("media-jam-error", status.reasons[0]);
    EXPECT_STREQ("toner-low-warning", status.reasons[1]);
    EXPECT_STREQ("Papierstau in Fach 2", status.message) << "the language is left out";
    EXPECT_EQ(2, status.queuedJobs);
    ASSERT_EQ(2, status.markerCount);
    EXPECT_STREQ("Black", status.markerNames[0]);
    EXPECT_STREQ("Cyan", status.markerNames[1]);
    ASSERT_EQ(2, status.markerLevelCount);
    EXPECT_EQ(85, status.markerLevels[0]);
    EXPECT_EQ(-1, status.markerLevels[1]);
    EXPECT_EQ(-1, status.subscriptionId);
    EXPECT_EQ(0, status.events);

    // The reader names each collection member by its member name.
    ipp::Reader reader(answer.Data(), answer.bytes.size());
    int code;
    long id;
    ASSERT_TRUE(reader.Header(&code, &id));
    std::vector<std::string> deep;
    ipp::Value value;
    while (reader.Next(&value))
        if (value.depth > 0)
            deep.push_back(std::string(value.name, value.nameLength) + "@" +
                           std::to_string(value.depth));
    EXPECT_FALSE(reader.Failed());
    EXPECT_EQ(std::vector<std::string>({"printer-state@1", "media-size@1", "x-dimension@2"}), deep);
}

TEST(IppReader, ReadsEventsSubscriptionsAndErrors)
{
    Message events(0x0000);
    events.Group(0x01)
        .Value(0x47, "attributes-charset", "utf-8")
        .Integer(0x21, "notify-get-interval", 60)
        .Group(0x07)
        .Integer(0x21, "notify-sequence-number", 4)
        .Value(0x44, "notify-subscribed-event", "printer-state-changed")
        .Integer(0x23, "printer-state", 5)
        .Group(0x07)
        .Integer(0x21, "notify-sequence-number", 5)
        .End();
    ipp::PrinterStatus status;
    ASSERT_TRUE(ipp::ParseResponse(events.Data(), events.bytes.size(), &status));
    EXPECT_EQ(2, status.events) << "two groups with the same tag are two events";
    EXPECT_EQ(5, status.lastSequence);
    EXPECT_EQ(60, status.getInterval);
    EXPECT_EQ(-1, status.state) << "an event's attributes are not the printer's own";

    Message subscribed(0x0000);
    subscribed.Group(0x01).Value(0x47, "attributes-charset", "utf-8")
        .Group(0x06).Integer(0x21, "notify-subscription-id", 12).End();
    ASSERT_TRUE(ipp::ParseResponse(subscribed.Data(), subscribed.bytes.size(), &status));
    EXPECT_EQ(12, status.subscriptionId);

    Message refused(0x0406);
    refused.Group(0x01).Value(0x41, "status-message", "The printer or class does not exist.")
        .End();
    ASSERT_TRUE(ipp::ParseResponse(refused.Data(), refused.bytes.size(), &status));
    EXPECT_EQ(0x0406, status.statusCode);
    EXPECT_STREQ("The printer or class does not exist.", status.statusMessage);
}

TEST(IppReader, RefusesMalformedMessagesWhole)
{
    auto parses = [](const std::string &bytes) {
        ipp::PrinterStatus status;
        return ipp::ParseResponse(reinterpret_cast<const unsigned char *>(bytes.data()),
                                  bytes.size(), &status);
    };
    const std::string good = JammedPrinterAnswer().bytes;
    ASSERT_TRUE(parses(good));
    // Cut anywhere, it lacks its end tag or a piece of a value.
    for (size_t length = 0; length < good.size(); ++length)
        EXPECT_FALSE(parses(good.substr(0, length))) << "cut at " << length;

    auto nested = [](int depth) {
        Message message(0);
        message.Group(0x04).Value(0x34, "deep", "");
        for (int level = 1; level < depth; ++level)
            message.Value(0x4A, "", "inner").Value(0x34, "", "");
        for (int level = 0; level < depth; ++level)
            message.Value(0x37, "", "");
        return message.End().bytes;
    };
    EXPECT_TRUE(parses(nested(ipp::MAX_DEPTH)));
    EXPECT_FALSE(parses(nested(ipp::MAX_DEPTH + 1)));
    EXPECT_FALSE(parses(nested(10000)));

    const std::vector<std::string> wrong = {
        Message(0).Integer(0x21, "before-any-group", 1).End().bytes,
        Message(0).Group(0x04).Value(0x37, "", "").End().bytes,                 // end without begin
        Message(0).Group(0x04).Value(0x34, "open", "").End().bytes,             // never closed
        Message(0).Group(0x04).Value(0x4A, "", "member-outside").End().bytes,
        Message(0).Group(0x04).Value(0x34, "c", "").Value(0x21, "named-inside", "").End().bytes,
        Message(0).Group(0x04).Raw(std::string("\x44\x00\x05name", 7)).End().bytes,             // no value length
        Message(0).Group(0x04).Raw(std::string("\x44\xFF\xFFname\x00\x00", 9)).End().bytes,     // name too long
        Message(0).Group(0x04).Raw(std::string("\x44\x00\x01n\xFF\xFF", 6) + "x").End().bytes,
    };
    for (size_t index = 0; index < wrong.size(); ++index)
        EXPECT_FALSE(parses(wrong[index])) << "case " << index;
}

TEST(IppReader, KeepsAnswersWithinItsFixedFields)
{
    Message message(0);
    message.Group(0x04).Value(0x44, "printer-state-reasons", std::string(500, 'r'));
    for (int index = 0; index < 40; ++index)
        message.Value(0x44, "", "media-low-warning");
    message.Value(0x41, "printer-state-message", std::string(5000, 'm'))
        .Value(0x35, "printer-state-message", std::string("\x00\x09", 2))  // language past its end
        .Value(0x41, "marker-names", std::string("ab\0cd", 5))
        .Integer(0x21, "queued-job-count", 1)
        .Value(0x21, "queued-job-count", "12")  // an integer of the wrong size
        .End();
    ipp::PrinterStatus status;
    ASSERT_TRUE(ipp::ParseResponse(message.Data(), message.bytes.size(), &status));
    EXPECT_EQ(ipp::MAX_REASONS, status.reasonCount);
    EXPECT_EQ(std::string(ipp::KEYWORD_SIZE - 1, 'r'), status.reasons[0]);
    EXPECT_STREQ("", status.message) << "a malformed text reads as empty";
    EXPECT_STREQ("ab", status.markerNames[0]);
    EXPECT_EQ(-1, status.queuedJobs);
}

}  // namespace
