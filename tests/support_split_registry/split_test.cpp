#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "platform/Classes.h"
#include "platform/SysUtils.h"
#include "support/qxstringlib.h"

namespace {

using Items = std::vector<std::string>;

Items ItemsOf(const TStringList& list)
{
    Items items;
    for (int i = 0; i < list.Count(); ++i)
        items.emplace_back(list[i].c_str(), static_cast<size_t>(list[i].Length()));
    return items;
}

TStringList ListOf(const Items& items)
{
    TStringList list;
    for (const std::string& item : items)
        list.Add(AnsiString(item.data(), static_cast<int>(item.size())));
    return list;
}

struct SplitCase {
    const char* text;
    const char* delimiters;
    int count;
    Items items;
    int line;
};

// "\x83" "\x5C" is one Shift_JIS character (ソ) whose trail byte is the backslash.
const SplitCase kSplitCases[] = {
    {"", ",", 1, {}, __LINE__},
    {",,", ",", 3, {}, __LINE__},
    {"a,,b,", ",", 4, {"a", "b"}, __LINE__},
    {"a,b", ",", 2, {"a", "b"}, __LINE__},
    {" , ", ",", 2, {" ", " "}, __LINE__},
    {"a;b,c", ",;", 3, {"a", "b", "c"}, __LINE__},
    // Quoted stretches: taken whole, quotes dropped, a closing quote ends the piece.
    {"\"x,y\",z", ",", 3, {"x,y", "z"}, __LINE__},
    {"\"ab\"cd", ",", 2, {"ab", "cd"}, __LINE__},
    {"ab\"cd\"", ",", 2, {"abcd"}, __LINE__},
    {"a,\"b,c", ",", 2, {"a", "b,c"}, __LINE__},
    {"\"\"", ",", 2, {}, __LINE__},
    {"\"\",\"\"", ",", 4, {}, __LINE__},
    {"a\"\"b", ",", 2, {"a", "b"}, __LINE__},
    // No delimiter at all: only closing quotes cut.
    {"a,b\"c,d\"e", "", 2, {"a,bc,d", "e"}, __LINE__},
    {"a,b", "", 1, {"a,b"}, __LINE__},
    // A quote in the delimiter set still only opens and closes.
    {"a\"b,c\"d", "\",", 2, {"ab,c", "d"}, __LINE__},
    {"a\"b", "\"", 1, {"ab"}, __LINE__},
    // Double-byte characters are never cut.
    {"\x83" "\x5C" "\\A", "\\", 2, {"\x83" "\x5C", "A"}, __LINE__},
    {"\\\x83" "\x5C\\\\", "\\", 4, {"\x83" "\x5C"}, __LINE__},
    {"\x83" "\x5C" "\x83" "\x74" "\x83" "\x67\\x", "\\", 2,
     {"\x83" "\x5C" "\x83" "\x74" "\x83" "\x67", "x"}, __LINE__},
    // A lead byte that is the last byte stands alone.
    {"a\\\x83", "\\", 2, {"a", "\x83"}, __LINE__},
    {"a\x83", "\x83", 2, {"a"}, __LINE__},
    {"a\x83" "\x5C" "b", "\x83\\", 1, {"a\x83" "\x5C" "b"}, __LINE__},
    // The quote test comes first, even for a quote that follows a lead byte.
    {"\x83\"a\\b\"", "\\", 2, {"\x83" "a\\b"}, __LINE__},
    // A lead byte closed off by a quote: the next backslash is a single byte.
    {"\"\x83\"\\x", "\\", 3, {"\x83", "x"}, __LINE__},
};

TEST(SplitString, CutsByTheQuoteAndDoubleByteRules)
{
    ASSERT_EQ(932u, GetACP()) << "these cases need the Shift_JIS code page";
    for (const SplitCase& c : kSplitCases) {
        SCOPED_TRACE(testing::Message() << "case at line " << c.line);
        TStringList list = ListOf({"old", ""});
        EXPECT_EQ(c.count, SplitString(c.text, c.delimiters, list));
        EXPECT_EQ(c.items, ItemsOf(list));
    }
}

TEST(SplitString, TextWithNulBytesIsCutAsBytes)
{
    TStringList list;
    EXPECT_EQ(3, SplitString(AnsiString("a\0b,,c", 6), ",", list));
    EXPECT_EQ((Items{std::string("a\0b", 3), "c"}), ItemsOf(list));
}

TEST(SplitTokens, AppendsAfterExistingItemsAndKeepsEmptyPieces)
{
    TStringList list = ListOf({"old", ""});
    EXPECT_EQ(3, SplitTokens("a,,b", ",", list));
    EXPECT_EQ((Items{"old", "", "a", "", "b"}), ItemsOf(list));

    RemoveEmptyItems(list);
    EXPECT_EQ((Items{"old", "a", "b"}), ItemsOf(list));
}

TEST(RemoveEmptyItems, KeepsBlankItemsAndOrder)
{
    TStringList list = ListOf({"", " ", "", "", "x", "\t", "", "x"});
    RemoveEmptyItems(list);
    EXPECT_EQ((Items{" ", "x", "\t", "x"}), ItemsOf(list));

    TStringList empties = ListOf({"", "", ""});
    RemoveEmptyItems(empties);
    EXPECT_EQ(0, empties.Count());
}

// The splitter follows double-byte characters itself; it must judge every
// byte exactly as ByteType does, so compare it with a split that asks
// ByteType at every position, over every short text of the bytes that matter.
Items ReferenceSplit(const AnsiString& text, const AnsiString& delimiters, int& count)
{
    Items items;
    std::string piece;
    bool quoted = false;
    count = 0;
    for (int i = 1; i <= text.Length(); ++i) {
        const char b = text[i];
        if (b == '"') {
            if (quoted) {
                items.push_back(piece);
                piece.clear();
                ++count;
            }
            quoted = !quoted;
        } else if (quoted || ByteType(text, i) != mbSingleByte) {
            piece += b;
        } else if (delimiters.Pos(AnsiString(&b, 1)) > 0) {
            items.push_back(piece);
            piece.clear();
            ++count;
        } else {
            piece += b;
        }
    }
    items.push_back(piece);
    ++count;
    return items;
}

TEST(SplitTokens, JudgesDoubleByteCharactersAsByteTypeDoes)
{
    ASSERT_EQ(932u, GetACP());
    const char alphabet[] = {'"', '\\', '\x83', 'a', ','};
    const int kSymbols = sizeof alphabet;
    const char* const delimiterSets[] = {"\\,", "\"\\", ""};
    for (int length = 0; length <= 6; ++length) {
        int combinations = 1;
        for (int i = 0; i < length; ++i)
            combinations *= kSymbols;
        for (int n = 0; n < combinations; ++n) {
            std::string bytes;
            for (int i = 0, rest = n; i < length; ++i, rest /= kSymbols)
                bytes += alphabet[rest % kSymbols];
            const AnsiString text(bytes.data(), length);
            for (const char* delimiters : delimiterSets) {
                int expectedCount = 0;
                const Items expected = ReferenceSplit(text, delimiters, expectedCount);
                TStringList list;
                const int count = SplitTokens(text, delimiters, list);
                if (count != expectedCount || ItemsOf(list) != expected) {
                    ADD_FAILURE() << "text of " << length << " bytes, combination " << n
                                  << ", delimiters \"" << delimiters << "\": got " << count
                                  << " pieces, expected " << expectedCount;
                    return;
                }
            }
        }
    }
}

}  // namespace
