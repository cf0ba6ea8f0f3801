// The script reader over arbitrary scripts: the five lookups the start-up
// makes, plus keys taken from the script itself; values and items never hold
// a line break, and a failed lookup leaves its out argument as it was.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "package/ttinycnf.h"
#include "platform/SysUtils.h"

namespace {

void CheckLookups(const TTinyCnf& cnf, const AnsiString& key)
{
    AnsiString value("sentinel");
    bool found = false;
    try {
        found = cnf.GetValue(key, value);
    } catch (const ERangeError&) {
        if (!Trim(key).IsEmpty())
            std::abort();  // only a key of blanks may raise
    }
    if (!found && !(value == AnsiString("sentinel")))
        std::abort();
    if (std::memchr(value.c_str(), '\n', value.Length()))
        std::abort();

    TStringList list;
    list.Add("sentinel");
    found = false;
    try {
        found = cnf.GetList(key, list);
    } catch (const ERangeError&) {
        if (!Trim(key).IsEmpty())
            std::abort();
    }
    if (!found && (list.Count() != 1 || !(list[0] == AnsiString("sentinel"))))
        std::abort();
    for (int i = 0; i < list.Count(); ++i) {
        if (std::memchr(list[i].c_str(), '\r', list[i].Length()))
            std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    TBytesView stream(data, static_cast<unsigned long>(size));
    TStringList lines;
    lines.LoadFromStream(stream);
    TTinyCnf cnf(lines);

    static const char* const keys[] = {"*Caption", "*GameTitle", "*PatchType", "%LinkPath", "%OutFiles", "%%", "", " "};
    for (const char* key : keys)
        CheckLookups(cnf, key);
    for (int i = 0; i < lines.Count() && i < 8; ++i)
        CheckLookups(cnf, lines[i]);

    (void)DecodeEntities(lines.Count() > 0 ? lines[0] : AnsiString());
    return 0;
}
