// Locale-independent conversion of coordinate text to doubles.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "reading/PointList.h"

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

// The value of the `count` (0 to 8) decimal digits at `p`; reads eight bytes from `p`.
inline uint64_t DigitsValue(const char* p, int count) {
  uint64_t values = 0;
  std::memcpy(&values, p, 8);
  values -= 0x3030303030303030ULL;
  // The first `count` bytes (the low ones) become the most significant digits of eight.
  const int shift = 8 * (8 - count);
  values = shift == 64 ? 0 : values << shift;
  values = values * 10 + (values >> 8);
  return (((values & 0x000000FF000000FFULL) * (100 + (1000000ULL << 32))) +
          (((values >> 16) & 0x000000FF000000FFULL) * (1 + (10000ULL << 32)))) >>
         32;
}

// The number written with the `integer` digits at `p` and the `fraction` digits at `q`, each
// at most 7 (as coordinates are written: "-122.0845352" has 3 and 7): both parts convert
// exactly and one division is correctly rounded. Reads eight bytes from `p` and from `q`.
inline double ShortDecimalValue(const char* p, int integer, const char* q, int fraction) {
  static constexpr uint64_t kPowers[] = {1, 10, 100, 1000, 10000, 100000, 1000000, 10000000};
  static constexpr double kDoublePowers[] = {1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7};
  const uint64_t mantissa = DigitsValue(p, integer) * kPowers[fraction] + DigitsValue(q, fraction);
  return static_cast<double>(mantissa) / kDoublePowers[fraction];
}

// The tuple grammar of coordinates: "x[,y[,z]]", tuples separated by whitespace or by a comma
// after the third number. Each number is the longest numeric prefix of the text before the
// next comma or whitespace (0 when there is none); a comma after the first or second number is
// followed by the next (an empty last one is 0), whitespace ends the tuple, and missing numbers
// are 0. Three readers of one tuple at `p`, after leading whitespace, in [p, last): each
// returns the end of the tuple (after the character that ended it), or nullptr.

// The general reader, for any text. `at_end`: the text of the list ends at `last`; otherwise a
// number that reaches `last` may go on there, and nullptr asks for more text (also when there
// is no tuple at all).
const char* ParseTuple(const char* p, const char* last, bool at_end, TXYZPoint* point);

// One coordinate of a GPS track ("lon lat alt"): numbers separated by whitespace or commas,
// missing ones 0. False for text without a number, which is no vertex.
bool ParseTrackCoord(std::string_view text, TXYZPoint* point);

// ParseTrackCoord for a list of the text form: each number as CopyFixedText gives it or, where
// it gives none, as its value.
bool ParseTrackCoordText(std::string_view text, TVertexText* vertex);

// The usual coord ("lon lat alt", one space between the numbers, each of ReadShortTupleText's
// shapes, then the '<' of the closing tag before `last`) at `p` the fast way, setting *end at
// that '<'; false for any other text, which ParseTrackCoordText then reads. Reads
// kShortTupleText bytes from the coord's first number, whatever lies past `last`.
bool ReadShortTrackCoordText(const char* p, const char* last, TVertexText* vertex,
                             const char** end);

// What ReadShortTuple(Text) read from a tuple's start, also past the end of the text: the 64
// bytes it is classified from, and the eight- or sixteen-byte loads of its last number.
inline constexpr size_t kShortTupleText = 64 + 16;

// The tuple "x,y,z" and the whitespace after it (or, with `at_end`, the end of the text at
// `last`) that start at `p`, the fast path of the tuple grammar for the way coordinates are
// written: each number a sign and at most seven digits either side of one point
// ("-122.0845352"). Found from one classification of the 64 bytes there, so the ends of the
// numbers do not wait for each other's digits. Sets *end after that whitespace character.
// False for any other text, which the general parse then reads; where it reads a tuple, it
// gives what the general parse gives. Reads kShortTupleText bytes from `p`, whatever lies
// past `last`; what is there does not change the result.
bool ReadShortTuple(const char* p, const char* last, bool at_end, TXYZPoint* point,
                    const char** end);

// The column of a row a number is written in: X and Y, or Z (see TVertexText).
enum class TRowColumn : uint8_t { kXY, kZ };

// Sets *out to the text a row writes for the number `number` ("-122.0845352": a sign, digits,
// a point and digits) in `column`, made from its digits: padded with zeros, or rounded as
// decimal text, where that provably gives the digits that formatting its value gives. That is
// so for the values coordinates take (|x| < 1000, |z| < 10^8): the value differs from the
// text by less than a thousandth of the last decimal written, so both round alike unless the
// digits past it lie that near a half. False for any other text, which is then read as a
// value: exponents, '+', leading zeros, no integer digit, digits that near a half, larger
// numbers.
bool CopyFixedText(std::string_view number, TRowColumn column, TFixedText* out);

// The value a number of a row stands for: its text's, or the value it holds.
inline double FixedTextValue(const TFixedText& number) {
  return number.HoldsText() ? ParseNumberPrefix(number.Text()) : number.Value();
}

// ReadShortTuple for a list of the text form: the same tuples, each number as CopyFixedText
// gives it or, where it gives none, as its value; any number of digits. Sets *end like it.
bool ReadShortTupleText(const char* p, const char* last, bool at_end, TVertexText* vertex,
                        const char** end);

// ParsePlainTuple for a list of the text form: each number as CopyFixedText gives it or, where
// it gives none, as its value.
const char* ParsePlainTupleText(const char* p, const char* last, bool at_end, TVertexText* vertex);

// The plain tuple "x,y,z" followed by whitespace (or, with `at_end`, by the end of the text):
// the delimiters around three numbers, each read by `number(index, p)`, which returns its end
// (`p` for no number). nullptr for any other text.
template <class TNumber>
inline const char* ParsePlainTupleOf(const char* p, const char* last, bool at_end, TNumber number) {
  for (int index = 0; index < 3; ++index) {
    const bool third = index == 2;
    const char* const end = number(index, p);
    if (end == p) return nullptr;
    if (end == last) return third && at_end ? end : nullptr;
    const bool space = *end == ' ' || *end == '\t' || *end == '\r' || *end == '\n';
    if (third ? !space : *end != ',') return nullptr;
    p = end + 1;
  }
  return p;
}

// The plain tuple, the usual shape, read with no search for delimiters. nullptr for any other
// text, which ParseTuple then reads; where it reads a tuple, it gives what ParseTuple gives.
inline const char* ParsePlainTuple(const char* p, const char* last, bool at_end, TXYZPoint* point) {
  double* const values[] = {&point->X, &point->Y, &point->Z};
  return ParsePlainTupleOf(p, last, at_end, [&](int index, const char* from) {
    return ParseNumber(from, last, values[index]);
  });
}

}  // namespace trelvo
