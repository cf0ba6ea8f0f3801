// Helpers shared by the text tests: texts and lists as std::string values, so
// that a failure prints what was got.
#pragma once

#include <string>
#include <vector>

#include "platform/AnsiString.h"
#include "platform/Classes.h"

using Lines = std::vector<std::string>;

inline std::string Str(const AnsiString& text)
{
    return std::string(text.c_str(), static_cast<size_t>(text.Length()));
}

inline AnsiString Ansi(const std::string& text)
{
    return AnsiString(text.data(), static_cast<int>(text.size()));
}

inline Lines LinesOf(const TStringList& list)
{
    Lines lines;
    for (int i = 0; i < list.Count(); ++i)
        lines.push_back(Str(list[i]));
    return lines;
}

inline void Fill(TStringList& list, const Lines& lines)
{
    for (const std::string& line : lines)
        list.Add(Ansi(line));
}

inline TStringList ListOf(const Lines& lines)
{
    TStringList list;
    Fill(list, lines);
    return list;
}
