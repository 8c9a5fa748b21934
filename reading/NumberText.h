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

// Converts the longest numeric prefix of [first, last) into `*value` and returns its end:
// `first` when there is none, with `*value` 0.0. Rounding and ranges as ParseNumberPrefix.
const char* ParseNumber(const char* first, const char* last, double* value);

// The value of the longest numeric prefix of `text`, 0.0 when there is none. Correctly
// rounded; a magnitude too large for a double gives +-infinity, one too small gives +-0.
// Never throws, never allocates.
double ParseNumberPrefix(std::string_view text);

}  // namespace trelvo
