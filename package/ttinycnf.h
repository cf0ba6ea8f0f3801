// Reader of the patch script: single-value keys ("*Name", value on the next
// line) and list sections ("%Name", items up to "%%").
#pragma once

#include "platform/AnsiString.h"
#include "platform/Classes.h"

class TTinyCnf {
public:
    explicit TTinyCnf(const TStringList& source);
    TTinyCnf(const TTinyCnf&) = delete;
    TTinyCnf& operator=(const TTinyCnf&) = delete;

    // value is written only when the key is found.
    bool GetValue(const AnsiString& key, AnsiString& value) const;
    // list is cleared and filled only when the key is found.
    bool GetList(const AnsiString& key, TStringList& list) const;

    int IndexOfKey(const AnsiString& key) const;
    int IndexOfListEnd(int start) const;

private:
    TStringList lstLines;
};

// The five entities, in their fixed order: &AMPERSAND; &TAB; &SPACE;
// &ASTERISK; &PERCENT;
AnsiString DecodeEntities(const AnsiString& text);
