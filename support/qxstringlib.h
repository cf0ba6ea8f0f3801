// Cutting a text into pieces at delimiter bytes: quoted stretches are taken
// whole (quotes dropped) and double-byte characters are never cut.
#pragma once

#include "platform/AnsiString.h"

class TStringList;

// Clears the list, cuts the text into it and removes the empty pieces.
// Returns the number of pieces cut, empty ones included.
int SplitString(const AnsiString& text, const AnsiString& delimiters, TStringList& list);

// Appends the pieces (empty ones included) without clearing; returns their number.
int SplitTokens(const AnsiString& text, const AnsiString& delimiters, TStringList& list);

// Deletes every item of length 0.
void RemoveEmptyItems(TStringList& list);
