// The sample package as it lies in the source tree: the background picture
// in exactly the stated .bmp layout, the script's twenty CR LF lines.
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "ResourceTestSupport.h"

namespace {

const std::string kSample = MIVARO_SAMPLE_PACKAGE_DIR;

uint32_t U32(const std::string& bytes, size_t offset)
{
    uint32_t value = 0;
    std::memcpy(&value, bytes.data() + offset, sizeof value);
    return value;
}

uint16_t U16(const std::string& bytes, size_t offset)
{
    uint16_t value = 0;
    std::memcpy(&value, bytes.data() + offset, sizeof value);
    return value;
}

TEST(SampleBackground, HasTheStatedHeadersAndSizes)
{
    const std::string bmp = ReadHostFile(kSample + "/background.bmp");
    ASSERT_EQ(540056u, bmp.size());
    struct Field {
        const char* what;
        size_t offset;
        int width;  // bytes
        uint32_t expected;
        int line;
    } fields[] = {
        {"signature", 0, 2, 'B' | 'M' << 8, __LINE__},
        {"file size", 2, 4, 540056, __LINE__},
        {"reserved 1", 6, 2, 0, __LINE__},
        {"reserved 2", 8, 2, 0, __LINE__},
        {"offset of the rows", 10, 4, 54, __LINE__},
        {"info header size", 14, 4, 40, __LINE__},
        {"width", 18, 4, 600, __LINE__},
        {"height (positive: bottom-up)", 22, 4, 300, __LINE__},
        {"planes", 26, 2, 1, __LINE__},
        {"bits per pixel", 28, 2, 24, __LINE__},
        {"compression", 30, 4, 0, __LINE__},
        {"image size", 34, 4, 540002, __LINE__},
        {"pixels per metre across", 38, 4, 2834, __LINE__},
        {"pixels per metre down", 42, 4, 2834, __LINE__},
        {"colours used", 46, 4, 0, __LINE__},
        {"colours important", 50, 4, 0, __LINE__},
    };
    for (const Field& f : fields) {
        SCOPED_TRACE(testing::Message() << "line " << f.line << ": " << f.what);
        EXPECT_EQ(f.expected, f.width == 2 ? U16(bmp, f.offset) : U32(bmp, f.offset));
    }
    // 300 rows of 1,800 bytes, then the two zero bytes the image size counts.
    EXPECT_EQ(54u + 300u * 1800u + 2u, bmp.size());
    EXPECT_EQ(std::string(2, '\0'), bmp.substr(bmp.size() - 2));
}

TEST(SampleBackground, BottomBandUnderTheControlsIsPale)
{
    // The labels (black text) lie on rows 230 to 299; each pixel there must
    // be light enough to read them on.
    const std::string bmp = ReadHostFile(kSample + "/background.bmp");
    ASSERT_EQ(540056u, bmp.size());
    int darkest = 255 * 3;
    for (int y = 230; y < 300; ++y) {
        const size_t row = 54 + static_cast<size_t>(299 - y) * 1800;
        for (int x = 0; x < 600; ++x) {
            const unsigned char* p = reinterpret_cast<const unsigned char*>(bmp.data() + row + x * 3);
            darkest = std::min(darkest, p[0] + p[1] + p[2]);
        }
    }
    EXPECT_GE(darkest, 3 * 200);
}

std::vector<std::string> SplitCrLf(const std::string& text, bool& onlyCrLf)
{
    std::vector<std::string> lines;
    onlyCrLf = true;
    size_t start = 0;
    while (start < text.size()) {
        const size_t end = text.find("\r\n", start);
        if (end == std::string::npos) {
            lines.push_back(text.substr(start));  // the last line lacks its CR LF
            onlyCrLf = false;
            break;
        }
        lines.push_back(text.substr(start, end - start));
        start = end + 2;
    }
    for (const std::string& line : lines)
        if (line.find_first_of("\r\n") != std::string::npos)
            onlyCrLf = false;
    return lines;
}

TEST(SampleScript, IsTwentyCrLfLinesOfShiftJisInTheShippedLayout)
{
    const std::string script = ReadHostFile(kSample + "/script.txt");
    ASSERT_FALSE(script.empty());
    bool onlyCrLf = false;
    const std::vector<std::string> lines = SplitCrLf(script, onlyCrLf);
    EXPECT_TRUE(onlyCrLf) << "every line, the last too, must end in CR LF, with no lone CR or LF";
    ASSERT_EQ(20u, lines.size());

    // Valid code page 932 throughout.
    EXPECT_GT(MultiByteToWideChar(932, MB_ERR_INVALID_CHARS, script.data(), static_cast<int>(script.size()),
                                  nullptr, 0),
              0);

    struct Row {
        int index;
        const char* exact;  // nullptr: a tab-indented value
        int line;
    } rows[] = {
        {0, "*PatchType", __LINE__}, {1, "\t1", __LINE__}, {2, "", __LINE__},
        {3, "%LinkPath", __LINE__}, {4, nullptr, __LINE__}, {5, nullptr, __LINE__},
        {6, "%%", __LINE__}, {7, "", __LINE__}, {8, "*Caption", __LINE__},
        {9, nullptr, __LINE__}, {10, "", __LINE__}, {11, "*GameTitle", __LINE__},
        {12, nullptr, __LINE__}, {13, "", __LINE__}, {14, "*Version", __LINE__},
        {15, "1.1", __LINE__}, {16, "", __LINE__}, {17, "%OutFiles", __LINE__},
        {18, nullptr, __LINE__}, {19, "%%", __LINE__},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(testing::Message() << "line " << r.line << ": script line " << r.index);
        const std::string& got = lines[r.index];
        if (r.exact) {
            EXPECT_EQ(r.exact, got);
        } else {
            ASSERT_GE(got.size(), 2u);
            EXPECT_EQ('\t', got[0]);
            EXPECT_NE('\t', got[1]);
            EXPECT_NE(' ', got.back());
        }
    }
    auto endsWith = [](const std::string& text, const std::string& tail) {
        return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
    };
    EXPECT_TRUE(endsWith(lines[4], ".lnk")) << lines[4];
    EXPECT_TRUE(endsWith(lines[5], ".lnk")) << lines[5];
    EXPECT_NE(lines[4], lines[5]);
    EXPECT_TRUE(endsWith(lines[18], ".xp3")) << lines[18];
    // The caption begins with the game's title and ends with the patch's version.
    const std::string title = lines[12].substr(1);
    EXPECT_EQ(0u, lines[9].find("\t" + title));
    EXPECT_TRUE(endsWith(lines[9], " 修正プログラム ver 1.1")) << lines[9];
}

TEST(SamplePayload, EveryOutputNameHasItsPayloadFile)
{
    EXPECT_EQ(std::vector<std::string>{"0"}, ListHostFolder(kSample + "/payload"));
    EXPECT_FALSE(ReadHostFile(kSample + "/payload/0").empty());
}

}  // namespace
