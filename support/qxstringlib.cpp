#include "support/qxstringlib.h"

#include "platform/Classes.h"
#include "platform/CodePage.h"

namespace {

const char kQuote = '"';

}  // namespace

int SplitString(const AnsiString& text, const AnsiString& delimiters, TStringList& list)
{
    list.Clear();
    int count = SplitTokens(text, delimiters, list);
    RemoveEmptyItems(list);
    return count;
}

int SplitTokens(const AnsiString& text, const AnsiString& delimiters, TStringList& list)
{
    bool isDelimiter[256] = {};
    const unsigned char* delimiterBytes = reinterpret_cast<const unsigned char*>(delimiters.c_str());
    for (int i = 0; i < delimiters.Length(); ++i)
        isDelimiter[delimiterBytes[i]] = true;

    const unsigned char* bytes = reinterpret_cast<const unsigned char*>(text.c_str());
    const int length = text.Length();
    AnsiString piece;
    bool quoted = false;
    int count = 0;
    // Double-byte characters are followed from the text's start exactly as
    // ByteType judges them, whatever the quote state; walking them here keeps
    // the split linear instead of asking ByteType once per byte.
    bool nextIsTrail = false;
    for (int i = 0; i < length; ++i) {
        const unsigned char b = bytes[i];
        bool doubleByte = false;
        if (nextIsTrail) {
            doubleByte = true;
            nextIsTrail = false;
        } else if (i + 1 < length && IsLeadByteOfCodePage(b)) {
            doubleByte = true;
            nextIsTrail = true;
        }

        if (b == kQuote) {
            // A closing quote ends its piece at once; an opening one does not.
            if (quoted) {
                list.Add(piece);
                ++count;
                piece = AnsiString();
            }
            quoted = !quoted;
        } else if (quoted || doubleByte || !isDelimiter[b]) {
            piece += static_cast<char>(b);
        } else {
            list.Add(piece);
            ++count;
            piece = AnsiString();
        }
    }
    list.Add(piece);
    return count + 1;
}

void RemoveEmptyItems(TStringList& list)
{
    // Kept items are gathered and put back in one pass: deleting them one by
    // one from the front would move the rest of the list each time.
    TStringList kept;
    for (int i = 0; i < list.Count(); ++i) {
        if (!list[i].IsEmpty())
            kept.Add(list[i]);
    }
    if (kept.Count() == list.Count())
        return;
    list.Clear();
    list.AddStrings(kept);
}
