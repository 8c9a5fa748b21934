// Locale-independent conversion of coordinate text to doubles.
#pragma once

#include <cstddef>
#include <string_view>

namespace trelvo {

// Length of the longest prefix of `text` that is a decimal real of the grammar
//   [+|-] digits [. digits] [(E|e) [+|-] digits]
// where either side of the '.' may be empty but not both (".5" and "5." are numbers).
// No leading whitespace, no "nan"/"inf" words, no hexadecimal. 0 when there is no such prefix.
size_t NumericPrefixLength(std::string_view text);

// The value of the longest numeric prefix of `text`, 0.0 when there is none. Correctly
// rounded; a magnitude too large for a double gives +-infinity, one too small gives +-0.
// Never throws, never allocates.
double ParseNumberPrefix(std::string_view text);

}  // namespace trelvo
