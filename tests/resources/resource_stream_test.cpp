// TResourceStream over this executable's own resources (test_resources.rc):
// found by name and type, the exact bytes of the source file, and the
// platform's resource-not-found error for what is not there.
#include <windows.h>

#include <cstring>
#include <string>

#include <gtest/gtest.h>

#include "ResourceTestSupport.h"
#include "platform/Resources.h"
#include "platform/SysUtils.h"

namespace {

const std::string kDataDir = MIVARO_TEST_DATA_DIR;

std::string StreamBytes(const TResourceStream& stream)
{
    return std::string(static_cast<const char*>(stream.Memory()), stream.Size());
}

TEST(ResourceStream, GivesTheResourceBytesByNameAndType)
{
    struct Case {
        const char* name;
        const char* type;
        const char* file;
        int line;
    } cases[] = {
        {"TEST_TEXT", "TEXT", "text.txt", __LINE__},
        {"TEST_PICTURE", "BMP", "picture.bmp", __LINE__},
        {"TEST_BINARY", "BIN", "binary.bin", __LINE__},  // NUL bytes inside
        {"TEST_EMPTY", "BIN", "empty.bin", __LINE__},
        {"TEST_TEXT", "BIN", "binary.bin", __LINE__},  // same name, other type
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "line " << c.line << ": " << c.name << " " << c.type);
        const std::string expected = ReadHostFile(kDataDir + "/" + c.file);
        TResourceStream stream(GetModuleHandleA(nullptr), c.name, c.type);
        EXPECT_EQ(expected.size(), stream.Size());
        EXPECT_EQ(expected, StreamBytes(stream));
    }
}

TEST(ResourceStream, SourceFilesHoldWhatTheCasesNeed)
{
    // Guards the cases above against test data that lost its point.
    const std::string binary = ReadHostFile(kDataDir + "/binary.bin");
    EXPECT_NE(std::string::npos, binary.find('\0'));
    EXPECT_NE('\0', binary.back());
    EXPECT_TRUE(ReadHostFile(kDataDir + "/empty.bin").empty());
}

TEST(ResourceStream, MissingResourceRaisesResNotFoundWithItsName)
{
    struct Case {
        const char* name;
        const char* type;
        int line;
    } cases[] = {
        {"TEST_MISSING", "BIN", __LINE__},
        {"TEST_PICTURE", "TEXT", __LINE__},  // there, but of another type
        {"TEST_BINARY", "BMP", __LINE__},
        {"RESOURCE_FILE7", "BIN", __LINE__},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "line " << c.line << ": " << c.name << " " << c.type);
        std::string message = "(nothing raised)";
        try {
            TResourceStream stream(GetModuleHandleA(nullptr), c.name, c.type);
        } catch (const EResNotFound& e) {
            message = e.Message.c_str();
        }
        EXPECT_EQ(std::string(c.name) + " リソースが見つかりません", message);
    }
}

TEST(ResourceStream, NotFoundMessageIsShiftJis)
{
    try {
        TResourceStream stream(GetModuleHandleA(nullptr), "X", "BIN");
        FAIL() << "nothing raised";
    } catch (const EResNotFound& e) {
        // "X リソースが見つかりません" in code page 932.
        const char expected[] = "X \x83\x8A\x83\x5C\x81\x5B\x83\x58\x82\xAA\x8C\xA9\x82\xC2\x82\xA9"
                                "\x82\xE8\x82\xDC\x82\xB9\x82\xF1";
        EXPECT_EQ(std::string(expected), std::string(e.Message.c_str()));
    }
}

}  // namespace
