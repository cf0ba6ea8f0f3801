// Delimited splitting: the count is 1 plus the closing quotes plus the
// delimiter bytes that cut, no piece is empty after SplitString, and the
// pieces hold exactly the text's bytes less quotes and cutting delimiters.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "platform/Classes.h"
#include "platform/SysUtils.h"
#include "support/qxstringlib.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1 || size > 2048)
        return 0;
    // First byte chooses the delimiter set: backslash, comma and backslash, none.
    static const char* const sets[] = {"\\", ",\\", "", "\"\\"};
    const AnsiString delimiters(sets[data[0] % 4]);
    const AnsiString text(reinterpret_cast<const char*>(data + 1), static_cast<int>(size - 1));

    TStringList list;
    list.Add("old");
    const int count = SplitString(text, delimiters, list);

    int pieceBytes = 0;
    for (int i = 0; i < list.Count(); ++i) {
        if (list[i].IsEmpty())
            std::abort();
        pieceBytes += list[i].Length();
    }
    if (list.Count() > count || count < 1)
        std::abort();
    // Bytes dropped: quote characters and cutting delimiters, one per cut.
    const int dropped = text.Length() - pieceBytes;
    if (dropped < count - 1 || dropped > text.Length())
        std::abort();

    TStringList appended;
    appended.Add("old");
    if (SplitTokens(text, delimiters, appended) != count || !(appended[0] == AnsiString("old")))
        std::abort();
    return 0;
}
