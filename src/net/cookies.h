// Folding the cookies a response set into a caller's cookie jar ("a=1;b=2;").
#pragma once

#include "text/text.h"

// Merges newCookies into jar. Both lose every space (ASCII and full-width) in place;
// on return jar holds the merged jar, which is also returned.
Text MergeCookies(Text& jar, Text& newCookies);

// The text before the first "=", trimmed; the whole piece, trimmed, when there is no "=".
Text CookieName(const Text& piece);
// Everything after the first "="; empty when there is none.
Text CookieValue(const Text& piece);
