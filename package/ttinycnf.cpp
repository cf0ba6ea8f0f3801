#include "package/ttinycnf.h"

#include "platform/SysUtils.h"

namespace {

const char kValueKeyMark = '*';
const char kListKeyMark = '%';
const char kListEnd[] = "%%";

// Lines are compared whole and untrimmed: a key line or an end marker with a
// blank around it matches nothing.
bool LineEquals(const AnsiString& line, const AnsiString& text)
{
    return AnsiCompareText(line, text) == 0;
}

// The common first steps of both lookups. An empty key is no key at all; a
// key of blanks only has no first byte, and the checked index raises
// ERangeError for it. The first byte alone decides the kind of key.
bool CheckKey(const AnsiString& key, char kindMark, AnsiString& trimmed)
{
    if (key.IsEmpty())
        return false;
    AnsiString candidate = Trim(key);
    if (candidate[1] != kindMark)
        return false;
    trimmed = candidate;
    return true;
}

}  // namespace

TTinyCnf::TTinyCnf(const TStringList& source)
{
    lstLines.AddStrings(source);
}

bool TTinyCnf::GetValue(const AnsiString& key, AnsiString& value) const
{
    AnsiString trimmed;
    if (!CheckKey(key, kValueKeyMark, trimmed))
        return false;
    const int k = IndexOfKey(trimmed);
    if (k < 0)
        return false;
    // The line after the key is the value whatever it holds; a key on the
    // last line has an empty value.
    AnsiString found;
    if (k + 1 < lstLines.Count())
        found = DecodeEntities(Trim(lstLines[k + 1]));
    value = found;
    return true;
}

bool TTinyCnf::GetList(const AnsiString& key, TStringList& list) const
{
    AnsiString trimmed;
    if (!CheckKey(key, kListKeyMark, trimmed))
        return false;
    const int k = IndexOfKey(trimmed);
    if (k < 0)
        return false;
    // The end marker is searched from the key line itself, so the key "%%"
    // is its own end and has no items.
    const int end = IndexOfListEnd(k);
    TStringList items;
    for (int i = k + 1; i < end; ++i)
        items.Add(DecodeEntities(Trim(lstLines[i])));
    list.Clear();
    list.AddStrings(items);
    return true;
}

int TTinyCnf::IndexOfKey(const AnsiString& key) const
{
    for (int i = 0; i < lstLines.Count(); ++i) {
        if (LineEquals(lstLines[i], key))
            return i;
    }
    return -1;
}

int TTinyCnf::IndexOfListEnd(int start) const
{
    const AnsiString marker(kListEnd);
    if (start < 0)
        start = 0;
    for (int i = start; i < lstLines.Count(); ++i) {
        if (LineEquals(lstLines[i], marker))
            return i;
    }
    return lstLines.Count();
}

AnsiString DecodeEntities(const AnsiString& text)
{
    // Ampersands first: an entity whose own ampersand is written as
    // "&AMPERSAND;" is decoded once more by its own step.
    AnsiString result = StringReplace(text, "&AMPERSAND;", "&");
    result = StringReplace(result, "&TAB;", "\t");
    result = StringReplace(result, "&SPACE;", " ");
    result = StringReplace(result, "&ASTERISK;", "*");
    result = StringReplace(result, "&PERCENT;", "%");
    return result;
}
