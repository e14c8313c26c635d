// GlobalBuffer, RegKeyReader and RegValueEnumerator against the real
// registry, in a private key each test creates and removes.
#include <gtest/gtest.h>

#include "registry/global_buffer.h"
#include "registry/reg_key_reader.h"
#include "registry/reg_value_enumerator.h"
#include "testing.h"

#include <set>
#include <string>

namespace {

const char TEST_KEY[] = "SOFTWARE\\DadaViziTest";
const char VALUES_KEY[] = "SOFTWARE\\DadaViziTest\\Values";
const char OTHER_KEY[] = "SOFTWARE\\DadaViziTest\\Other";
const char MISSING_KEY[] = "SOFTWARE\\DadaViziTest\\Missing";

// A freed handle is reported invalid; a held one is locked exactly once.
bool BlockIsLive(HGLOBAL block)
{
    return GlobalFlags(block) != GMEM_INVALID_HANDLE;
}

UINT LockCount(HGLOBAL block)
{
    return GlobalFlags(block) & GMEM_LOCKCOUNT;
}

// Resize(size) gives `size` bytes in one block of at least that many,
// locked once.
void ExpectResized(GlobalBuffer *buffer, DWORD size)
{
    ASSERT_EQ(size, buffer->Resize(size));
    ASSERT_NE(nullptr, buffer->data);
    EXPECT_EQ(size, buffer->size);
    HGLOBAL block = GlobalHandle(buffer->data);
    EXPECT_GE(GlobalSize(block), size);
    EXPECT_EQ(1u, LockCount(block));
}

TEST(GlobalBufferTest, ResizesUpDownAndKeepsOneLockedBlock)
{
    GlobalBuffer buffer;
    EXPECT_EQ(nullptr, buffer.data);
    EXPECT_EQ(0u, buffer.size);

    ASSERT_NO_FATAL_FAILURE(ExpectResized(&buffer, 10));
    ASSERT_NO_FATAL_FAILURE(ExpectResized(&buffer, 1000));
    buffer.data[999] = 'x';  // the whole block is writable
    ASSERT_NO_FATAL_FAILURE(ExpectResized(&buffer, 3));
}

TEST(GlobalBufferTest, SameSizeChangesNothing)
{
    GlobalBuffer buffer;
    ASSERT_EQ(64u, buffer.Resize(64));
    BYTE *data = buffer.data;
    HGLOBAL block = GlobalHandle(data);

    EXPECT_EQ(64u, buffer.Resize(64));
    EXPECT_EQ(data, buffer.data);
    EXPECT_EQ(64u, buffer.size);
    EXPECT_EQ(block, GlobalHandle(buffer.data));
    EXPECT_EQ(1u, LockCount(block)) << "not locked a second time";
}

TEST(GlobalBufferTest, ZeroBytesOnAnEmptyBufferAllocatesNothing)
{
    GlobalBuffer buffer;
    EXPECT_EQ(0u, buffer.Resize(0));
    EXPECT_EQ(nullptr, buffer.data);
    EXPECT_EQ(0u, buffer.size);
}

TEST(GlobalBufferTest, ResizeToZeroFreesTheBlockAndCanGrowAgain)
{
    GlobalBuffer buffer;
    ASSERT_EQ(32u, buffer.Resize(32));
    HGLOBAL block = GlobalHandle(buffer.data);
    ASSERT_TRUE(BlockIsLive(block));

    EXPECT_EQ(0u, buffer.Resize(0));
    EXPECT_EQ(nullptr, buffer.data);
    EXPECT_EQ(0u, buffer.size);
    EXPECT_FALSE(BlockIsLive(block)) << "the discarded block must not be kept";

    ASSERT_EQ(20u, buffer.Resize(20));
    ASSERT_NE(nullptr, buffer.data);
    EXPECT_EQ(20u, buffer.size);
    EXPECT_EQ(1u, LockCount(GlobalHandle(buffer.data)));
}

TEST(GlobalBufferTest, DestructorFreesTheBlock)
{
    HGLOBAL block = NULL;
    {
        GlobalBuffer buffer;
        ASSERT_EQ(100u, buffer.Resize(100));
        block = GlobalHandle(buffer.data);
        ASSERT_TRUE(BlockIsLive(block));
    }
    EXPECT_FALSE(BlockIsLive(block));
}

class RegistryTest : public ::testing::Test {
protected:
    void SetUp() override { DeleteKeyTree(HKEY_LOCAL_MACHINE, TEST_KEY); }
    void TearDown() override { DeleteKeyTree(HKEY_LOCAL_MACHINE, TEST_KEY); }

    static std::string Text(const RegKeyReader &reader)
    {
        return std::string(reinterpret_cast<const char *>(reader.value.data), reader.length);
    }
};

TEST_F(RegistryTest, ReaderStatesForOpenMissingAndNullKeys)
{
    SetRegString(VALUES_KEY, "Code", "40021");

    RegKeyReader reader(HKEY_LOCAL_MACHINE, VALUES_KEY);
    EXPECT_EQ(0, reader.state);
    EXPECT_NE(nullptr, reader.key);
    reader.Close();
    EXPECT_EQ(2, reader.state);
    EXPECT_EQ(nullptr, reader.key);
    EXPECT_EQ(nullptr, reader.ReadValue("Code"));

    RegKeyReader missing(HKEY_LOCAL_MACHINE, MISSING_KEY);
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, missing.state);
    EXPECT_EQ(nullptr, missing.key);
    EXPECT_EQ(nullptr, missing.ReadValue("Code"));

    // A null path would otherwise open the root key itself.
    RegKeyReader none(HKEY_LOCAL_MACHINE, NULL);
    EXPECT_EQ(2, none.state);
    EXPECT_EQ(nullptr, none.key);
    EXPECT_FALSE(none.Open(HKEY_LOCAL_MACHINE, NULL));
    EXPECT_EQ(nullptr, none.key);
}

TEST_F(RegistryTest, ReopenClosesTheFirstKey)
{
    SetRegString(VALUES_KEY, "Name", "values");
    SetRegString(OTHER_KEY, "Name", "other");

    RegKeyReader reader(HKEY_LOCAL_MACHINE, VALUES_KEY);
    HKEY first = reader.key;
    ASSERT_NE(nullptr, first);

    ASSERT_TRUE(reader.Open(HKEY_LOCAL_MACHINE, OTHER_KEY));
    EXPECT_STREQ("other", reader.ReadValue("Name"));
    // Either the handle was closed, or it was closed and handed out again.
    DWORD values = 0;
    EXPECT_TRUE(reader.key == first ||
                RegQueryInfoKeyA(first, NULL, NULL, NULL, NULL, NULL, NULL, &values, NULL, NULL,
                                 NULL, NULL) != ERROR_SUCCESS);

    HKEY second = reader.key;
    EXPECT_FALSE(reader.Open(HKEY_LOCAL_MACHINE, MISSING_KEY));
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, reader.state);
    EXPECT_EQ(nullptr, reader.key);
    EXPECT_NE(ERROR_SUCCESS, RegQueryInfoKeyA(second, NULL, NULL, NULL, NULL, NULL, NULL, &values,
                                              NULL, NULL, NULL, NULL));
}

TEST_F(RegistryTest, ReadsEveryTypeAsTerminatedRawBytes)
{
    SetRegString(VALUES_KEY, "Code", "40021");
    // Stored without a terminator; the byte after the data is not a zero,
    // so the registry does not add one either.
    SetRegBytes(VALUES_KEY, "Unended", REG_SZ, "abcX", 3);
    SetRegDword(VALUES_KEY, "Number", 0x11223344);
    const BYTE binary[] = {0x00, 0xFF, 0x00, 0x7F, 0x80};
    SetRegBytes(VALUES_KEY, "Binary", REG_BINARY, binary, sizeof binary);
    const char multi[] = "a\0bc\0";  // and the array's own zero ends the list
    SetRegBytes(VALUES_KEY, "Multi", REG_MULTI_SZ, multi, sizeof multi);

    RegKeyReader reader(HKEY_LOCAL_MACHINE, VALUES_KEY);

    EXPECT_STREQ("40021", reader.ReadValue("Code"));
    EXPECT_EQ(6u, reader.length);
    EXPECT_EQ(std::string("40021", 6), Text(reader));

    // Read into the shrunk block of "40021", whose fourth byte is no zero.
    const char *unended = reader.ReadValue("Unended");
    ASSERT_NE(nullptr, unended);
    EXPECT_EQ(3u, reader.length);
    EXPECT_STREQ("abc", unended);

    const char *number = reader.ReadValue("Number");
    ASSERT_NE(nullptr, number);
    EXPECT_EQ(4u, reader.length);
    EXPECT_EQ(std::string("\x44\x33\x22\x11", 4), Text(reader));
    EXPECT_EQ('\0', number[4]);

    ASSERT_NE(nullptr, reader.ReadValue("Binary"));
    EXPECT_EQ(sizeof binary, reader.length);
    EXPECT_EQ(std::string(reinterpret_cast<const char *>(binary), sizeof binary), Text(reader));

    ASSERT_NE(nullptr, reader.ReadValue("Multi"));
    EXPECT_EQ(std::string(multi, sizeof multi), Text(reader));
}

TEST_F(RegistryTest, ValuesAroundTwoHundredFiftySixBytes)
{
    for (size_t chars : {254u, 255u, 256u, 1000u}) {
        SCOPED_TRACE(chars);
        std::string text(chars, 'v');
        text[0] = 'A';
        text[chars - 1] = 'Z';
        SetRegString(VALUES_KEY, "Long", text);

        RegKeyReader reader(HKEY_LOCAL_MACHINE, VALUES_KEY);
        const char *data = reader.ReadValue("Long");
        ASSERT_NE(nullptr, data);
        EXPECT_EQ(text, data);
        EXPECT_EQ(chars + 1, reader.length);
        EXPECT_EQ(reader.length + 1, reader.value.size) << "exact size and a terminator";
    }
}

TEST_F(RegistryTest, EmptyDataComesBackAsNull)
{
    SetRegBytes(VALUES_KEY, "Empty", REG_SZ, "", 0);
    SetRegString(VALUES_KEY, "Blank", "");
    SetRegString(VALUES_KEY, "Code", "40021");

    RegKeyReader reader(HKEY_LOCAL_MACHINE, VALUES_KEY);
    ASSERT_NE(nullptr, reader.ReadValue("Code"));
    EXPECT_EQ(nullptr, reader.ReadValue("Empty"));
    EXPECT_EQ(nullptr, reader.value.data);
    EXPECT_EQ(0u, reader.value.size);

    // A string of only its terminator still has one byte of data.
    EXPECT_STREQ("", reader.ReadValue("Blank"));
    EXPECT_EQ(1u, reader.length);
}

TEST_F(RegistryTest, MissingValueLeavesTheBufferAsItWas)
{
    SetRegString(VALUES_KEY, "Code", "40021");

    RegKeyReader reader(HKEY_LOCAL_MACHINE, VALUES_KEY);
    ASSERT_NE(nullptr, reader.ReadValue("Code"));
    BYTE *data = reader.value.data;
    DWORD size = reader.value.size;

    EXPECT_EQ(nullptr, reader.ReadValue("NoSuchValue"));
    EXPECT_EQ(data, reader.value.data);
    EXPECT_EQ(size, reader.value.size);
    EXPECT_EQ(6u, reader.length);
    EXPECT_STREQ("40021", reinterpret_cast<const char *>(reader.value.data));
}

TEST_F(RegistryTest, SameSizeValuesReuseTheBlock)
{
    SetRegString(VALUES_KEY, "First", "11111");
    SetRegString(VALUES_KEY, "Second", "22222");

    RegKeyReader reader(HKEY_LOCAL_MACHINE, VALUES_KEY);
    const char *first = reader.ReadValue("First");
    ASSERT_NE(nullptr, first);
    HGLOBAL block = GlobalHandle(reader.value.data);

    const char *second = reader.ReadValue("Second");
    EXPECT_EQ(first, second);
    EXPECT_EQ(block, GlobalHandle(reader.value.data));
    EXPECT_EQ(1u, LockCount(block));
    EXPECT_STREQ("22222", second);
}

// Walks from Open to the end; the names seen and the final state.
std::multiset<std::string> Walk(RegValueEnumerator &values)
{
    std::multiset<std::string> names;
    LONG expectedIndex = 0;
    while (values.state == ERROR_SUCCESS && names.size() < 10) {
        EXPECT_EQ(expectedIndex++, values.index);
        names.insert(reinterpret_cast<const char *>(values.name.data));
        if (!values.Next())
            break;
    }
    return names;
}

TEST_F(RegistryTest, EnumeratorOnAKeyWithoutValuesIsExhaustedAtOnce)
{
    HKEY key;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_LOCAL_MACHINE, VALUES_KEY, 0, NULL, 0,
                                             KEY_WRITE, NULL, &key, NULL));
    RegCloseKey(key);

    RegValueEnumerator values(HKEY_LOCAL_MACHINE, VALUES_KEY);
    EXPECT_EQ(ERROR_NO_MORE_ITEMS, values.state);
    EXPECT_EQ(0u, values.valueCount);
    EXPECT_NE(nullptr, values.key) << "the key stays open until Close";
    EXPECT_FALSE(values.Open(HKEY_LOCAL_MACHINE, VALUES_KEY));
    EXPECT_EQ(ERROR_NO_MORE_ITEMS, values.state);
}

TEST_F(RegistryTest, EnumeratorVisitsOneAndThreeValues)
{
    SetRegString(VALUES_KEY, "Only", "1");
    {
        RegValueEnumerator values(HKEY_LOCAL_MACHINE, VALUES_KEY);
        EXPECT_EQ(ERROR_SUCCESS, values.state) << "Open is on the first value";
        EXPECT_EQ(1u, values.valueCount);
        EXPECT_EQ(std::multiset<std::string>({"Only"}), Walk(values));
        EXPECT_EQ(ERROR_NO_MORE_ITEMS, values.state);
    }

    SetRegString(VALUES_KEY, "Code", "40021");
    SetRegDword(VALUES_KEY, "A Longer Name", 7);
    RegValueEnumerator values(HKEY_LOCAL_MACHINE, VALUES_KEY);
    EXPECT_EQ(ERROR_SUCCESS, values.state);
    EXPECT_EQ(3u, values.valueCount);
    // The longest name and its terminator, at one byte a character in code page 1252.
    EXPECT_EQ(sizeof "A Longer Name", values.name.size);
    EXPECT_EQ(std::multiset<std::string>({"Only", "Code", "A Longer Name"}),
              Walk(values));
    EXPECT_EQ(ERROR_NO_MORE_ITEMS, values.state);
    EXPECT_EQ(3, values.index);
}

TEST_F(RegistryTest, ALongerNameAddedAfterOpenEndsTheWalk)
{
    SetRegString(VALUES_KEY, "a", "1");
    SetRegString(VALUES_KEY, "b", "2");
    RegValueEnumerator values(HKEY_LOCAL_MACHINE, VALUES_KEY);
    SetRegString(VALUES_KEY, "ThisNameIsLongerThanTheBuffer", "3");

    std::multiset<std::string> names = Walk(values);
    EXPECT_EQ(ERROR_MORE_DATA, values.state);
    EXPECT_LT(names.size(), 3u);
    EXPECT_EQ(0u, names.count("ThisNameIsLongerThanTheBuffer"));
}

TEST(RegValueEnumeratorTest, TheNameCapacityStaysWithinWhatTheAnsiCallTakes)
{
    // Under a UTF-8 code page (4 bytes a unit) a name of 8,192 units would ask
    // for more than RegEnumValueA's SHORT capacity; Wine's code page here is
    // single-byte, so the cap is checked on the sizing itself.
    EXPECT_EQ(8192u * 3 + 1, RegValueEnumerator::NameCapacity(8192, 3));
    EXPECT_EQ(32767u, RegValueEnumerator::NameCapacity(16383, 2));
    EXPECT_EQ(32767u, RegValueEnumerator::NameCapacity(8192, 4));
    EXPECT_EQ(32767u, RegValueEnumerator::NameCapacity(16383, 4));
    EXPECT_EQ(32767u, RegValueEnumerator::NameCapacity(0xFFFFFFFFu, 4)) << "no wrap-around";
}

TEST_F(RegistryTest, EnumeratorCloseMissingKeyAndNullPath)
{
    SetRegString(VALUES_KEY, "a", "1");
    SetRegString(VALUES_KEY, "b", "2");
    RegValueEnumerator values(HKEY_LOCAL_MACHINE, VALUES_KEY);
    ASSERT_TRUE(values.Next());
    EXPECT_EQ(1, values.index);

    values.Close();
    EXPECT_EQ(nullptr, values.key);
    EXPECT_EQ(2, values.state);
    EXPECT_EQ(0, values.index);
    EXPECT_EQ(0u, values.valueCount);

    EXPECT_FALSE(values.Open(HKEY_LOCAL_MACHINE, MISSING_KEY));
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, values.state);
    EXPECT_EQ(nullptr, values.key);

    RegValueEnumerator none(HKEY_LOCAL_MACHINE, NULL);
    EXPECT_EQ(2, none.state);
    EXPECT_EQ(nullptr, none.key);
    EXPECT_EQ(0u, none.valueCount);
}

}  // namespace
