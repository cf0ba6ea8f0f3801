// The text and path functions of the platform, under code page 932.
#include <gtest/gtest.h>

#include <windows.h>

#include <climits>
#include <string>

#include "platform/AnsiString.h"
#include "platform/SysUtils.h"
#include "tests/package_text/TextTestSupport.h"

namespace {

// In code page 932, "ソ" is 0x83 0x5C and "表" is 0x95 0x5C: their second
// byte is the backslash.
const char kSo[] = "\x83\x5C";

TEST(CodePage, TestsRunUnderCodePage932)
{
    ASSERT_EQ(932u, GetACP());
    ASSERT_EQ(std::string(kSo), std::string("ソ"));
}

TEST(AnsiStringIndex, OutsideOneToLengthRaisesRangeError)
{
    const AnsiString text("a\x83\x5C");
    EXPECT_EQ('a', text[1]);
    EXPECT_EQ('\x83', text[2]);
    EXPECT_EQ('\\', text[3]);
    for (int index : {0, -1, 4, INT_MIN, INT_MAX}) {
        SCOPED_TRACE(index);
        EXPECT_THROW(text[index], ERangeError);
    }
    EXPECT_THROW(AnsiString()[1], ERangeError);
    EXPECT_THROW(AnsiString("")[1], ERangeError);
}

TEST(AnsiStringIndex, SubStringIsClippedToTheText)
{
    const AnsiString text("abcd");
    EXPECT_EQ("bc", Str(text.SubString(2, 2)));
    EXPECT_EQ("cd", Str(text.SubString(3, 100)));
    EXPECT_EQ("ab", Str(text.SubString(0, 2)));
    EXPECT_EQ("", Str(text.SubString(5, 1)));
    EXPECT_EQ("", Str(text.SubString(1, 0)));
    EXPECT_EQ("", Str(text.SubString(2, -1)));
    EXPECT_EQ("abcd", Str(text.SubString(1, INT_MAX)));
}

TEST(AnsiStringIndex, AppendingItsOwnBytesSurvivesTheBufferGrowing)
{
    AnsiString text("ab");
    text += text;
    EXPECT_EQ("abab", Str(text));

    // A neighbour allocated right after keeps the buffer from growing in place.
    const std::string bytes(4096, 'x');
    AnsiString big(Ansi(bytes + "yz"));
    const AnsiString neighbour(Ansi(bytes));
    big.Append(big.c_str() + 4096, 2);
    big.Append(big.c_str(), big.Length());
    const std::string got = Str(big);
    const std::string expected = bytes + "yzyz" + bytes + "yzyz";
    ASSERT_EQ(expected.size(), got.size());
    EXPECT_EQ(expected.substr(4090, 12), got.substr(4090, 12));
    EXPECT_EQ(expected.substr(expected.size() - 12), got.substr(got.size() - 12));
    EXPECT_TRUE(expected == got);
}

struct ByteTypeCase {
    std::string text;
    int index;
    TMbcsByteType expected;
    int line;
};

const ByteTypeCase kByteTypeCases[] = {
    {"a\x83\x5C" "b", 1, mbSingleByte, __LINE__},
    {"a\x83\x5C" "b", 2, mbLeadByte, __LINE__},
    {"a\x83\x5C" "b", 3, mbTrailByte, __LINE__},
    {"a\x83\x5C" "b", 4, mbSingleByte, __LINE__},
    {"a\x83\x5C" "b", 0, mbSingleByte, __LINE__},
    {"a\x83\x5C" "b", 5, mbSingleByte, __LINE__},
    // 0x83 0x83 is one character: the next 0x5C stands alone.
    {"\x83\x83\x5C", 2, mbTrailByte, __LINE__},
    {"\x83\x83\x5C", 3, mbSingleByte, __LINE__},
    // A lead byte with nothing after it is no character's start.
    {"a\x83", 2, mbSingleByte, __LINE__},
    // Half-width katakana is single-byte.
    {"\xB1\x5C", 1, mbSingleByte, __LINE__},
    {"\xB1\x5C", 2, mbSingleByte, __LINE__},
    {"", 1, mbSingleByte, __LINE__},
};

TEST(ByteTypeTest, JudgesEachByteFromTheTextStart)
{
    for (const ByteTypeCase& c : kByteTypeCases) {
        SCOPED_TRACE(c.line);
        EXPECT_EQ(c.expected, ByteType(Ansi(c.text), c.index));
    }
}

struct TextCase {
    std::string input;
    std::string expected;
    int line;
};

const TextCase kTrimCases[] = {
    {"", "", __LINE__},
    {"a", "a", __LINE__},
    {"  a b  ", "a b", __LINE__},
    {"\t\r\n a\x01\x1F", "a", __LINE__},
    {std::string("\0a\0", 3), "a", __LINE__},
    {" \t \x20", "", __LINE__},
    // The ideographic space is not a blank.
    {"\x81\x40" "a\x81\x40", "\x81\x40" "a\x81\x40", __LINE__},
    {" \x81\x40 ", "\x81\x40", __LINE__},
    {"\x7F" "a\x7F", "\x7F" "a\x7F", __LINE__},
    {"\tソ ", "ソ", __LINE__},
};

TEST(TrimTest, RemovesBlanksFromBothEndsOnly)
{
    for (const TextCase& c : kTrimCases) {
        SCOPED_TRACE(c.line);
        EXPECT_EQ(c.expected, Str(Trim(Ansi(c.input))));
    }
}

// Where the locale's order of a blank against a letter is its own affair,
// the row asks only that the texts differ.
enum class Order { Less, Equal, Greater, Differs };

struct CompareCase {
    const char* a;
    const char* b;
    Order order;
    int line;
};

const CompareCase kCompareCases[] = {
    {"*caption", "*Caption", Order::Equal, __LINE__},
    {"*CAPTION", "*caption", Order::Equal, __LINE__},
    {"%outfiles", "%OutFiles", Order::Equal, __LINE__},
    {"", "", Order::Equal, __LINE__},
    {"ゲーム", "ゲーム", Order::Equal, __LINE__},
    {"abc", "ABD", Order::Less, __LINE__},
    {"ABD", "abc", Order::Greater, __LINE__},
    {"a", "ab", Order::Less, __LINE__},
    {"", "a", Order::Less, __LINE__},
    {"*Caption", "Caption", Order::Differs, __LINE__},
    {" *Caption", "*Caption", Order::Differs, __LINE__},
    {"*Caption ", "*Caption", Order::Differs, __LINE__},
    {"*Caption\t", "*Caption", Order::Differs, __LINE__},
    {"\t*Caption", "*Caption", Order::Differs, __LINE__},
    {"%%", "% %", Order::Differs, __LINE__},
};

TEST(AnsiCompareTextTest, IgnoresLetterCaseOnly)
{
    for (const CompareCase& c : kCompareCases) {
        SCOPED_TRACE(c.line);
        const int result = AnsiCompareText(c.a, c.b);
        switch (c.order) {
        case Order::Less: EXPECT_LT(result, 0); break;
        case Order::Equal: EXPECT_EQ(0, result); break;
        case Order::Greater: EXPECT_GT(result, 0); break;
        case Order::Differs: EXPECT_NE(0, result); break;
        }
    }
}

struct ReplaceCase {
    std::string text;
    std::string from;
    std::string to;
    std::string expected;
    int line;
};

const ReplaceCase kReplaceCases[] = {
    {"a&b&c", "&", "+", "a+b+c", __LINE__},
    // Left to right, without overlap.
    {"aaa", "aa", "b", "ba", __LINE__},
    // What is put in is not searched again.
    {"ab", "a", "aa", "aab", __LINE__},
    {"&TAB;;", "&TAB;", "&TAB;", "&TAB;;", __LINE__},
    // Case-sensitive.
    {"&tab;&TAB;", "&TAB;", "\t", "&tab;\t", __LINE__},
    {"abc", "", "x", "abc", __LINE__},
    {"", "a", "x", "", __LINE__},
    {"xyz", "xyz", "", "", __LINE__},
    {std::string("a\0b", 3), "b", "c", std::string("a\0c", 3), __LINE__},
};

TEST(StringReplaceTest, ReplacesEveryOccurrenceOnce)
{
    for (const ReplaceCase& c : kReplaceCases) {
        SCOPED_TRACE(c.line);
        EXPECT_EQ(c.expected, Str(StringReplace(Ansi(c.text), Ansi(c.from), Ansi(c.to))));
    }
}

struct IntCase {
    std::string text;
    int expected;
    int line;
};

// The default in every row is 77.
const IntCase kIntCases[] = {
    {"2", 2, __LINE__},
    {"0", 0, __LINE__},
    {"-5", -5, __LINE__},
    {"+7", 7, __LINE__},
    {"007", 7, __LINE__},
    {"$10", 16, __LINE__},
    {"0x1F", 31, __LINE__},
    {"0X1f", 31, __LINE__},
    {"$ff", 255, __LINE__},
    {"-$10", -16, __LINE__},
    {"2147483647", INT_MAX, __LINE__},
    {"-2147483648", INT_MIN, __LINE__},
    {"2147483648", 77, __LINE__},
    {"-2147483649", 77, __LINE__},
    {"99999999999999999999", 77, __LINE__},
    // Hexadecimal takes a 32-bit pattern as it is, so "$FFFFFFFF" is -1.
    {"$FFFFFFFF", -1, __LINE__},
    {"$80000000", INT_MIN, __LINE__},
    {"$100000000", 77, __LINE__},
    {"", 77, __LINE__},
    {"abc", 77, __LINE__},
    {"1a", 77, __LINE__},
    {"-", 77, __LINE__},
    {"+", 77, __LINE__},
    {"$", 77, __LINE__},
    {"0x", 77, __LINE__},
    {"$G", 77, __LINE__},
    {"1.5", 77, __LINE__},
    // Blanks are not skipped: values reach the conversion trimmed.
    {"1 ", 77, __LINE__},
    {" 1", 77, __LINE__},
    {"\t1", 77, __LINE__},
    {"１", 77, __LINE__},
    {std::string("1\0", 2), 77, __LINE__},
};

TEST(StrToIntDefTest, ReadsDecimalAndHexadecimalElseDefault)
{
    for (const IntCase& c : kIntCases) {
        SCOPED_TRACE(c.line);
        EXPECT_EQ(c.expected, StrToIntDef(Ansi(c.text), 77));
    }
}

const TextCase kExtractPathCases[] = {
    {"C:\\Games\\Title\\game.exe", "C:\\Games\\Title\\", __LINE__},
    {"C:\\ゲーム\\ソ", "C:\\ゲーム\\", __LINE__},
    {"C:\\ソ", "C:\\", __LINE__},
    {"C:\\ソ\\a.exe", "C:\\ソ\\", __LINE__},
    {"C:\\表\\ソ", "C:\\表\\", __LINE__},
    {"ソ", "", __LINE__},
    {"C:game.exe", "C:", __LINE__},
    {"game.exe", "", __LINE__},
    {"", "", __LINE__},
    {"\\\\server\\share\\f", "\\\\server\\share\\", __LINE__},
    {"C:\\dir\\", "C:\\dir\\", __LINE__},
};

TEST(ExtractFilePathTest, CutsAfterTheLastSingleByteSeparator)
{
    for (const TextCase& c : kExtractPathCases) {
        SCOPED_TRACE(c.line);
        EXPECT_EQ(c.expected, Str(ExtractFilePath(Ansi(c.input))));
    }
}

const TextCase kTrailingBackslashCases[] = {
    {"C:\\ゲーム\\ソ", "C:\\ゲーム\\ソ\\", __LINE__},
    {"C:\\ソ", "C:\\ソ\\", __LINE__},
    {"表", "表\\", __LINE__},
    {"C:\\ソ\\", "C:\\ソ\\", __LINE__},
    {"C:\\dir", "C:\\dir\\", __LINE__},
    {"C:\\dir\\", "C:\\dir\\", __LINE__},
    {"\\", "\\", __LINE__},
    {"", "\\", __LINE__},
    {"\xB1\x5C", "\xB1\x5C", __LINE__},
};

TEST(IncludeTrailingBackslashTest, AppendsUnlessASingleByteBackslashEnds)
{
    for (const TextCase& c : kTrailingBackslashCases) {
        SCOPED_TRACE(c.line);
        EXPECT_EQ(c.expected, Str(IncludeTrailingBackslash(Ansi(c.input))));
    }
}

TEST(FormatTest, FormatsIntoAText)
{
    EXPECT_EQ("RESOURCE_FILE0", Str(Format("RESOURCE_FILE%d", 0)));
    EXPECT_EQ("RESOURCE_FILE12", Str(Format("RESOURCE_FILE%d", 12)));
    EXPECT_EQ("", Str(Format("%s", "")));
    const std::string longText(5000, 'x');
    EXPECT_EQ("<" + longText + ">", Str(Format("<%s>", longText.c_str())));
    EXPECT_EQ("RESOURCE_SCRIPT リソースが見つかりません", Str(EResNotFound("RESOURCE_SCRIPT").Message));
}

}  // namespace
