// The patch script reader: key kinds, values, list sections and entities.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "package/ttinycnf.h"
#include "platform/Classes.h"
#include "platform/SysUtils.h"
#include "tests/package_text/TextTestSupport.h"

namespace {

const char kSentinel[] = "sentinel";

struct ValueCase {
    Lines lines;
    std::string key;
    bool found;
    std::string value;  // kSentinel when not found
    int line;
};

const ValueCase kValueCases[] = {
    {{"*Caption", "\tTitle"}, "*Caption", true, "Title", __LINE__},
    // The line is compared whole, without case, untrimmed.
    {{"*caption", "v"}, "*Caption", true, "v", __LINE__},
    {{" *Caption", "v"}, "*Caption", false, kSentinel, __LINE__},
    {{"\t*Caption", "v"}, "*Caption", false, kSentinel, __LINE__},
    {{"*Caption ", "v"}, "*Caption", false, kSentinel, __LINE__},
    {{"*Caption\t", "v"}, "*Caption", false, kSentinel, __LINE__},
    {{"*CaptionX", "v"}, "*Caption", false, kSentinel, __LINE__},
    // The key is trimmed before it is looked up.
    {{"*Caption", "v"}, " \t*Caption  ", true, "v", __LINE__},
    // The first byte decides the kind.
    {{"*Caption", "v"}, "Caption", false, kSentinel, __LINE__},
    {{"Caption", "v"}, "Caption", false, kSentinel, __LINE__},
    {{"%OutFiles", "v", "%%"}, "%OutFiles", false, kSentinel, __LINE__},
    {{"*Caption", "v"}, "", false, kSentinel, __LINE__},
    {{}, "*Caption", false, kSentinel, __LINE__},
    // The first of two equal key lines wins.
    {{"*Caption", "first", "*Caption", "second"}, "*Caption", true, "first", __LINE__},
    // The whole text is searched, list items included.
    {{"%L", "*Caption", "%%", "*Caption", "v"}, "*Caption", true, "%%", __LINE__},
    // The line after the key, whatever it holds.
    {{"x", "*Caption"}, "*Caption", true, "", __LINE__},
    {{"*Caption", "", "v"}, "*Caption", true, "", __LINE__},
    {{"*Caption", "*GameTitle", "t"}, "*Caption", true, "*GameTitle", __LINE__},
    {{"*Caption", "*GameTitle", "t"}, "*GameTitle", true, "t", __LINE__},
    {{"*Caption", "\t%%"}, "*Caption", true, "%%", __LINE__},
    // Trimmed, then decoded.
    {{"*Caption", "\tword  "}, "*Caption", true, "word", __LINE__},
    {{"*Caption", "&SPACE;word&TAB;"}, "*Caption", true, " word\t", __LINE__},
    {{"*Caption", " &ASTERISK;Caption "}, "*Caption", true, "*Caption", __LINE__},
    {{"*Caption", "\t\x81\x40ソ\x81\x40\t"}, "*Caption", true, "\x81\x40ソ\x81\x40", __LINE__},
};

TEST(TinyCnfValue, FindsTheLineAfterTheKey)
{
    for (const ValueCase& c : kValueCases) {
        SCOPED_TRACE(c.line);
        TTinyCnf cnf(ListOf(c.lines));
        AnsiString value(kSentinel);
        EXPECT_EQ(c.found, cnf.GetValue(Ansi(c.key), value));
        EXPECT_EQ(c.value, Str(value));
    }
}

struct ListCase {
    Lines lines;
    std::string key;
    bool found;
    Lines items;  // the sentinel items when not found
    int line;
};

const Lines kSentinelItems = {"keep 1", "", "keep 2"};

const ListCase kListCases[] = {
    {{"%L", "\ta", "\tb", "%%"}, "%L", true, {"a", "b"}, __LINE__},
    {{"%l", "a", "%%"}, "%L", true, {"a"}, __LINE__},
    {{" %L", "a", "%%"}, "%L", false, kSentinelItems, __LINE__},
    {{"%L", "a", "%%"}, "\t%L ", true, {"a"}, __LINE__},
    {{"%L", "a", "%%"}, "L", false, kSentinelItems, __LINE__},
    {{"*Caption", "v"}, "*Caption", false, kSentinelItems, __LINE__},
    {{"%L", "a", "%%"}, "%M", false, kSentinelItems, __LINE__},
    {{"%L", "a", "%%"}, "", false, kSentinelItems, __LINE__},
    {{}, "%L", false, kSentinelItems, __LINE__},
    // Empty items keep their place.
    {{"%L", "a", "", "b", "%%"}, "%L", true, {"a", "", "b"}, __LINE__},
    {{"%L", "", "%%"}, "%L", true, {""}, __LINE__},
    {{"%L", "%%"}, "%L", true, {}, __LINE__},
    // An indented end marker is an item.
    {{"%L", "a", "\t%%", "b", "%%", "c"}, "%L", true, {"a", "%%", "b"}, __LINE__},
    {{"%L", "a", " %%", "b"}, "%L", true, {"a", "%%", "b"}, __LINE__},
    {{"%L", "a", "%% "}, "%L", true, {"a", "%%"}, __LINE__},
    // Without its end marker a section runs on to a later "%%", or to the end.
    {{"%L", "a", "", "*Caption", "v", "%M", "m", "%%", "x"},
     "%L", true, {"a", "", "*Caption", "v", "%M", "m"}, __LINE__},
    {{"%L", "a", "", "*Caption"}, "%L", true, {"a", "", "*Caption"}, __LINE__},
    // An end marker above the key does not end it.
    {{"%%", "%L", "a"}, "%L", true, {"a"}, __LINE__},
    {{"x", "%L"}, "%L", true, {}, __LINE__},
    {{"%L", "first", "%%", "%L", "second", "%%"}, "%L", true, {"first"}, __LINE__},
    // The key "%%" is its own end marker.
    {{"a", "%%", "b", "%%"}, "%%", true, {}, __LINE__},
    {{"a", "\t%%", "b"}, "%%", false, kSentinelItems, __LINE__},
    // Trimmed, then decoded.
    {{"%L", "\t&PERCENT;%\t", "  &ASTERISK;x ", "&SPACE;", "\tソ", "%%"},
     "%L", true, {"%%", "*x", " ", "ソ"}, __LINE__},
};

TEST(TinyCnfList, ReadsTheItemsUpToTheEndMarker)
{
    for (const ListCase& c : kListCases) {
        SCOPED_TRACE(c.line);
        TTinyCnf cnf(ListOf(c.lines));
        TStringList list = ListOf(kSentinelItems);
        EXPECT_EQ(c.found, cnf.GetList(Ansi(c.key), list));
        EXPECT_EQ(c.items, LinesOf(list));
    }
}

TEST(TinyCnfKey, KeyOfBlanksOnlyRaisesRangeErrorAndChangesNothing)
{
    TTinyCnf cnf(ListOf({"*Caption", "v", "%L", "a", "%%", "", " "}));
    for (const char* key : {" ", "\t\t", "\x01", " \r\n "}) {
        SCOPED_TRACE(testing::PrintToString(key));
        AnsiString value(kSentinel);
        EXPECT_THROW(cnf.GetValue(key, value), ERangeError);
        EXPECT_EQ(kSentinel, Str(value));

        TStringList list = ListOf(kSentinelItems);
        EXPECT_THROW(cnf.GetList(key, list), ERangeError);
        EXPECT_EQ(kSentinelItems, LinesOf(list));
    }
}

TEST(TinyCnfKey, IndexOfKeyAndListEndCountLinesFromZero)
{
    TTinyCnf cnf(ListOf({"%L", "a", "%%", "*caption", "%%"}));
    EXPECT_EQ(0, cnf.IndexOfKey("%L"));
    EXPECT_EQ(3, cnf.IndexOfKey("*CAPTION"));
    EXPECT_EQ(-1, cnf.IndexOfKey("*Title"));
    EXPECT_EQ(2, cnf.IndexOfKey("%%"));

    EXPECT_EQ(2, cnf.IndexOfListEnd(0));
    EXPECT_EQ(2, cnf.IndexOfListEnd(2));
    EXPECT_EQ(4, cnf.IndexOfListEnd(3));
    EXPECT_EQ(5, cnf.IndexOfListEnd(5));
    EXPECT_EQ(5, cnf.IndexOfListEnd(100));

    TTinyCnf empty{TStringList()};
    EXPECT_EQ(-1, empty.IndexOfKey("%%"));
    EXPECT_EQ(0, empty.IndexOfListEnd(0));
}

TEST(TinyCnfKey, ReaderKeepsItsOwnCopyOfTheLines)
{
    auto source = std::make_unique<TStringList>(ListOf({"*Caption", "v"}));
    TTinyCnf cnf(*source);
    source->Clear();
    source->Add("*Caption");
    source->Add("changed");
    source.reset();

    AnsiString value;
    EXPECT_TRUE(cnf.GetValue("*Caption", value));
    EXPECT_EQ("v", Str(value));
}

struct DecodeCase {
    std::string text;
    std::string decoded;
    int line;
};

const DecodeCase kDecodeCases[] = {
    {"&AMPERSAND;&TAB;&SPACE;&ASTERISK;&PERCENT;", "&\t *%", __LINE__},
    {"a&TAB;&TAB;b", "a\t\tb", __LINE__},
    // Ampersands are decoded first, so an entity written with "&AMPERSAND;"
    // is decoded once more by its own step, and only once.
    {"&AMPERSAND;TAB;", "\t", __LINE__},
    {"&AMPERSAND;PERCENT;", "%", __LINE__},
    {"&AMPERSAND;SPACE;&AMPERSAND;ASTERISK;", " *", __LINE__},
    {"&AMPERSAND;AMPERSAND;", "&AMPERSAND;", __LINE__},
    {"&AMPERSAND;AMPERSAND;TAB;", "&AMPERSAND;TAB;", __LINE__},
    // Exact and case-sensitive.
    {"&tab;", "&tab;", __LINE__},
    {"&Tab;", "&Tab;", __LINE__},
    {"&TAB", "&TAB", __LINE__},
    {"&TAB&TAB;;", "&TAB\t;", __LINE__},
    {"a&b", "a&b", __LINE__},
    {"&&TAB;", "&\t", __LINE__},
    {"&PERCENT;%", "%%", __LINE__},
    {"ソ&SPACE;表", "ソ 表", __LINE__},
    {"", "", __LINE__},
};

TEST(DecodeEntitiesTest, FiveReplacementsInTheirOrder)
{
    for (const DecodeCase& c : kDecodeCases) {
        SCOPED_TRACE(c.line);
        EXPECT_EQ(c.decoded, Str(DecodeEntities(Ansi(c.text))));
    }
}

// A script laid out as the shipped one: CR LF after every line, values and
// items indented by a tab, empty lines between the sections.
TEST(TinyCnfScript, ReadsAScriptLaidOutAsShipped)
{
    const std::string script =
        "*PatchType\r\n\t1\r\n\r\n"
        "%LinkPath\r\n"
        "\tブランド\\ソフト\\ソフト.lnk\r\n"
        "\tブランド\\ソフト DL版\\ソフト DL版.lnk\r\n"
        "%%\r\n\r\n"
        "*Caption\r\n\tソフト【パッケージ版・DL版】 修正プログラム ver 1.1\r\n\r\n"
        "*GameTitle\r\n\tソフト\r\n\r\n"
        "*Version\r\n1.1\r\n\r\n"
        "%OutFiles\r\n\tdata.xp3\r\n%%\r\n";
    TStringList lines;
    lines.LoadFromStream(TBytesView(script.data(), static_cast<unsigned long>(script.size())));
    ASSERT_EQ(20, lines.Count());
    TTinyCnf cnf(lines);

    AnsiString value;
    ASSERT_TRUE(cnf.GetValue("*PatchType", value));
    EXPECT_EQ(1, StrToIntDef(value, 1));
    ASSERT_TRUE(cnf.GetValue("*Caption", value));
    EXPECT_EQ("ソフト【パッケージ版・DL版】 修正プログラム ver 1.1", Str(value));
    ASSERT_TRUE(cnf.GetValue("*GameTitle", value));
    EXPECT_EQ("ソフト", Str(value));
    ASSERT_TRUE(cnf.GetValue("*Version", value));
    EXPECT_EQ("1.1", Str(value));

    TStringList list;
    ASSERT_TRUE(cnf.GetList("%LinkPath", list));
    EXPECT_EQ((Lines{"ブランド\\ソフト\\ソフト.lnk", "ブランド\\ソフト DL版\\ソフト DL版.lnk"}), LinesOf(list));
    ASSERT_TRUE(cnf.GetList("%OutFiles", list));
    EXPECT_EQ((Lines{"data.xp3"}), LinesOf(list));
}

}  // namespace
