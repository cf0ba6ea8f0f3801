// Paths turned into shell item ID lists: folders that exist give a list
// that names them again, anything else gives null, and no path is parsed
// from a conversion cut short.
#include "ui/FolderDialog.h"

#include "platform/ComOwners.h"
#include "tests/folder_dialog/DialogDriver.h"

#include <gtest/gtest.h>

namespace {

constexpr char kSo[] = "ソ";
static_assert(sizeof kSo == 3 && kSo[1] == '\\', "sources compiled to code page 932");

// The path an ID list names, "<no path>" when it names none.
std::string PathOf(LPCITEMIDLIST idList)
{
    WCHAR path[MAX_PATH] = L"";
    return SHGetPathFromIDListW(idList, path) ? Narrow(path) : "<no path>";
}

class PathToIDListTest : public ::testing::Test {
protected:
    // As the dialog's thread has it.
    TComInitialization com_;
    const std::string base_ = TempFolder() + "\\mivaro_idlist_" + std::to_string(GetCurrentProcessId());
    TScratchFolders scratch_;
};

// A path of exactly units UTF-16 units (terminator not counted) below
// base, made of ASCII folder names; "" when base is already longer.
std::string PathOfLength(const std::string& base, size_t units)
{
    std::string path = base;
    if (path.size() >= units)
        return "";
    while (path.size() < units) {
        const size_t room = units - path.size() - 1;  // after the backslash
        if (room == 0)
            return "";
        // Names of at most 80 units; the last takes what is left.
        path += "\\" + std::string(room > 80 ? 60 : room, 'd');
    }
    return path;
}

TEST_F(PathToIDListTest, NamesExistingFoldersAndRefusesEverythingElse)
{
    ASSERT_TRUE(scratch_.Make(base_ + "\\Alpha"));
    const std::string so = base_ + "\\" + kSo;
    ASSERT_TRUE(scratch_.Make(so));
    // Needs MAX_PATH units with its terminator: the longest that fits.
    const std::string longest = PathOfLength(base_, MAX_PATH - 1);
    // One unit more than fits.
    const std::string tooLong = PathOfLength(base_, MAX_PATH);
    // More than MAX_PATH bytes, yet fewer UTF-16 units.
    std::string wideBytes = base_ + "\\";
    for (int i = 0; i < 80; ++i)
        wideBytes += kSo;
    wideBytes += "\\";
    for (int i = 0; i < 40; ++i)
        wideBytes += kSo;
    ASSERT_EQ(MAX_PATH - 1, static_cast<int>(Wide(longest).size()));
    ASSERT_EQ(MAX_PATH, static_cast<int>(Wide(tooLong).size()));
    ASSERT_GT(wideBytes.size(), static_cast<size_t>(MAX_PATH));
    ASSERT_LT(Wide(wideBytes).size(), static_cast<size_t>(MAX_PATH));
    for (const std::string& path : {longest, tooLong, wideBytes})
        ASSERT_TRUE(scratch_.Make(path)) << path << ": error " << GetLastError();

    const std::string none = "<null>";
    struct TRow {
        int line;
        const char* what;
        std::string path;
        std::string named;  // the path the list names, or none
    };
    const TRow rows[] = {
        {__LINE__, "existing folder", base_ + "\\Alpha", base_ + "\\Alpha"},
        {__LINE__, "trailing backslash", base_ + "\\Alpha\\", base_ + "\\Alpha"},
        {__LINE__, "name ending in a 0x5C second byte", so, so},
        {__LINE__, "that name with a trailing backslash", so + "\\", so},
        {__LINE__, "drive root", "C:\\", "C:\\"},
        {__LINE__, "missing folder", base_ + "\\Gone", none},
        {__LINE__, "missing drive-relative text", "no such folder", none},
        {__LINE__, "longest path that fits", longest, longest},
        {__LINE__, "one unit too long", tooLong, none},
        {__LINE__, "long in bytes, short in units", wideBytes, wideBytes},
    };
    for (const TRow& row : rows) {
        SCOPED_TRACE(testing::Message() << "line " << row.line << ": " << row.what);
        LPITEMIDLIST idList = PathToIDList(row.path.c_str());
        EXPECT_EQ(row.named, idList ? PathOf(idList) : none);
        CoTaskMemFree(idList);
    }
}

TEST_F(PathToIDListTest, HandsEmptyTextToTheShellAndRefusesNull)
{
    // Whatever the desktop makes of an empty text is what comes back.
    TComPtr<IShellFolder> desktop;
    ASSERT_EQ(S_OK, SHGetDesktopFolder(desktop.Put()));
    WCHAR empty[] = L"";
    TShellIdList direct;
    const HRESULT parsed = desktop->ParseDisplayName(nullptr, nullptr, empty, nullptr, direct.Put(), nullptr);

    TShellIdList fromEmpty;
    fromEmpty.Reset(PathToIDList(""));
    if (FAILED(parsed)) {
        EXPECT_FALSE(fromEmpty);
    } else {
        ASSERT_TRUE(fromEmpty);
        EXPECT_EQ(S_OK, desktop->CompareIDs(0, direct.Get(), fromEmpty.Get()));
    }
    EXPECT_EQ(nullptr, PathToIDList(nullptr));
}

}  // namespace
