// Searching GBK text and cutting pieces out between markers.
#pragma once

#include "text/text.h"

// 1-based position of the first occurrence of sought at or after startPos, or -1.
// A match never starts on the trail byte of a double-byte character. ignoreCase folds
// ASCII A-Z/a-z only.
int FindText(const Text& text, const Text& sought, int startPos = 0, bool ignoreCase = false);

// The text strictly between the first leftMarker (at or after startPos) and the next
// rightMarker, untrimmed; empty when either is missing. "#引号" in a marker stands for '"'.
Text ExtractBetween(const Text& source, const Text& leftMarker, const Text& rightMarker,
                    int startPos = 0, bool ignoreCase = false);

struct ExtractOptions {
  bool caseSensitive = false;  // markers ignore ASCII case unless set
  int maxLength = 0;           // keep only items shorter than this; 0 keeps all
  Text prefix;
  Text suffix;
  bool keepLeftMarker = false;
  bool keepRightMarker = false;
  int startPos = 0;
};

// Every piece between leftMarker and rightMarker, trimmed, into results (replaced whole).
// Returns the number of elements. One forward pass over source.
int ExtractAllBetween(const Text& source, const Text& leftMarker, const Text& rightMarker,
                      TextArray& results, const ExtractOptions& options = {});

// Removes spaces and full-width spaces (A1 A1) at both ends.
Text TrimSpaces(const Text& text);
