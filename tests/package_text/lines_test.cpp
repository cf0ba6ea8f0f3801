// Line splitting of a script stream and the checked positions of the list.
#include <gtest/gtest.h>

#include <string>

#include "platform/Classes.h"
#include "platform/SysUtils.h"
#include "tests/package_text/TextTestSupport.h"

namespace {

struct SplitCase {
    std::string bytes;
    Lines lines;
    int line;
};

const SplitCase kSplitCases[] = {
    {"a\r\nb", {"a", "b"}, __LINE__},
    {"a\nb", {"a", "b"}, __LINE__},
    {"a\rb", {"a", "b"}, __LINE__},
    {"a\n\rb", {"a", "", "b"}, __LINE__},
    {"a\r\rb", {"a", "", "b"}, __LINE__},
    {"a\n\nb", {"a", "", "b"}, __LINE__},
    {"a\r\n\nb", {"a", "", "b"}, __LINE__},
    {"a\n\r\nb", {"a", "", "b"}, __LINE__},
    {"a\r\n", {"a"}, __LINE__},
    {"a\r\n\r\n", {"a", ""}, __LINE__},
    {"a\n\n", {"a", ""}, __LINE__},
    {"\r\n", {""}, __LINE__},
    {"\r", {""}, __LINE__},
    {"", {}, __LINE__},
    // Nothing after the first NUL is read.
    {std::string("a\0b", 3), {"a"}, __LINE__},
    {std::string("a\r\n\0\r\nb", 7), {"a"}, __LINE__},
    {std::string("\0a", 2), {}, __LINE__},
    // Blanks at either end stay in the line; double-byte characters pass whole.
    {" \ta \t\r\n\tb ", {" \ta \t", "\tb "}, __LINE__},
    {"ソ表\r\n\x81\x40", {"ソ表", "\x81\x40"}, __LINE__},
};

TEST(LineSplitting, CutsAtEachKindOfBreak)
{
    for (const SplitCase& c : kSplitCases) {
        SCOPED_TRACE(c.line);
        TStringList list = ListOf({"sentinel"});
        TBytesView stream(c.bytes.data(), static_cast<unsigned long>(c.bytes.size()));
        list.LoadFromStream(stream);
        EXPECT_EQ(c.lines, LinesOf(list));
    }
}

TEST(LineSplitting, EmptyStreamWithoutMemoryGivesNoLines)
{
    TStringList list = ListOf({"sentinel"});
    list.LoadFromStream(TBytesView(nullptr, 0));
    EXPECT_EQ(Lines{}, LinesOf(list));
}

TEST(StringList, CheckedPositionsRaiseRangeError)
{
    TStringList list = ListOf({"a", "b"});
    for (int index : {-1, 2, 1000}) {
        SCOPED_TRACE(index);
        EXPECT_THROW(list[index], ERangeError);
        EXPECT_THROW(list.Delete(index), ERangeError);
        EXPECT_EQ((Lines{"a", "b"}), LinesOf(list));
    }
    EXPECT_THROW(TStringList()[0], ERangeError);

    list.Delete(0);
    EXPECT_EQ((Lines{"b"}), LinesOf(list));
}

TEST(StringList, KeepsOrderAndDuplicates)
{
    TStringList list;
    EXPECT_EQ(0, list.Add("x"));
    EXPECT_EQ(1, list.Add(""));
    EXPECT_EQ(2, list.Add("x"));
    list.AddStrings(ListOf({"y", "x"}));
    EXPECT_EQ((Lines{"x", "", "x", "y", "x"}), LinesOf(list));

    list.AddStrings(list);
    EXPECT_EQ((Lines{"x", "", "x", "y", "x", "x", "", "x", "y", "x"}), LinesOf(list));
}

}  // namespace
