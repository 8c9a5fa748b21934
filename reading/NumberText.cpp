#include "reading/NumberText.h"

#include <algorithm>
#include <array>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <system_error>

#include "reading/TextScan.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace trelvo {
namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

size_t SkipDigits(std::string_view text, size_t pos) {
  while (pos < text.size() && IsDigit(text[pos])) ++pos;
  return pos;
}

// Decimal magnitude of a number prefix whose conversion was out of range: positive means
// the value overflowed, zero or negative that it underflowed. `text` is sign-free.
long long DecimalMagnitude(std::string_view text) {
  size_t pos = 0;
  long long magnitude = 0;
  bool seen_significant = false;
  for (; pos < text.size() && IsDigit(text[pos]); ++pos) {
    if (text[pos] != '0') seen_significant = true;
    if (seen_significant) ++magnitude;
  }
  if (pos < text.size() && text[pos] == '.') {
    for (++pos; pos < text.size() && IsDigit(text[pos]) && !seen_significant; ++pos) {
      if (text[pos] != '0') {
        seen_significant = true;
      } else {
        --magnitude;
      }
    }
    pos = SkipDigits(text, pos);
  }
  if (pos < text.size() && (text[pos] == 'e' || text[pos] == 'E')) {
    ++pos;
    bool negative = false;
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) negative = text[pos++] == '-';
    long long exponent = 0;
    for (; pos < text.size() && IsDigit(text[pos]); ++pos) {
      // Saturate: any exponent this large is far outside the range of a double.
      if (exponent < 1'000'000'000) exponent = exponent * 10 + (text[pos] - '0');
    }
    magnitude += negative ? -exponent : exponent;
  }
  return magnitude;
}

// Exact powers of ten up to 10^22, the largest a double holds exactly.
constexpr double kExactPowers[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                   1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                   1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

constexpr uint64_t kMaxExactInteger = uint64_t{1} << 53;

// mantissa / 10^fraction for a mantissa above 2^53 (up to 19 digits, as longitudes with 14
// decimals have): divided in the 64-bit precision of x86's long double, then rounded to a
// double. The two roundings give the correctly rounded value unless the long double lies
// exactly on a midpoint between two doubles (its 11 extra bits are 10000000000): then false,
// and the general conversion decides.
inline bool ExtendedQuotient(uint64_t mantissa, int fraction, double* result) {
  if constexpr (std::numeric_limits<long double>::digits != 64) {
    return false;
  } else {
    static constexpr long double kPowers[] = {1e0L,  1e1L,  1e2L,  1e3L,  1e4L,  1e5L,  1e6L,
                                              1e7L,  1e8L,  1e9L,  1e10L, 1e11L, 1e12L, 1e13L,
                                              1e14L, 1e15L, 1e16L, 1e17L, 1e18L, 1e19L};
    // The FPU must really round to 64 bits: not so where Windows sets it to 53, nor under
    // valgrind, which computes long doubles as doubles.
    static const bool kPrecise = [] {
      volatile long double sum = 1.0L;
      sum = sum + 0x1p-60L;
      return sum != 1.0L;
    }();
    // Below 2^63 the integer converts exactly whatever the FPU's precision.
    if (!kPrecise || mantissa >= uint64_t{1} << 63 || fraction > 19) return false;
    const long double quotient = static_cast<long double>(mantissa) / kPowers[fraction];
    uint64_t significand = 0;
    std::memcpy(&significand, &quotient, sizeof(significand));
    if ((significand & 0x7FF) == 0x400) return false;
    *result = static_cast<double>(quotient);
    return true;
  }
}

// The general conversion of a grammar-checked, sign-free number text.
double ConvertGeneral(std::string_view number) {
  double value = 0.0;
  const auto [end, ec] = std::from_chars(number.data(), number.data() + number.size(), value,
                                         std::chars_format::general);
  if (ec == std::errc::result_out_of_range) {
    return DecimalMagnitude(number) > 0 ? std::numeric_limits<double>::infinity() : 0.0;
  }
  // The grammar admits nothing that from_chars rejects; stay defined regardless.
  return ec == std::errc() && end == number.data() + number.size() ? value : 0.0;
}

constexpr uint64_t kPowersOfTen[] = {1, 10, 100, 1000, 10000, 100000, 1000000, 10000000, 100000000};

// The leading digits of the eight bytes at `p`: how many (0 to 8), and their value.
struct TDigitRun {
  int count;
  uint64_t value;
};

// How many of the eight bytes at `p` are digits before the first that is not (0 to 8).
inline int LeadingDigits(const char* p) {
  uint64_t chunk = 0;
  std::memcpy(&chunk, p, 8);
  // Each byte minus '0'; a byte that is no digit gets its high bit set in `non_digits` (the
  // borrows and carries of the whole-word arithmetic only reach bytes after the first one).
  const uint64_t values = chunk - 0x3030303030303030ULL;
  const uint64_t non_digits = (values | (values + 0x7676767676767676ULL)) & 0x8080808080808080ULL;
  return non_digits == 0 ? 8 : std::countr_zero(non_digits) / 8;
}

inline TDigitRun EightBytesOfDigits(const char* p) {
  const int count = LeadingDigits(p);
  return {count, DigitsValue(p, count)};
}

// Appends the run of digits at `p` to `*mantissa` (wrapping past 19 digits, which the caller
// counts and rejects) and returns the end of the run. Eight bytes at a time where eight can be
// read.
inline const char* AccumulateDigits(const char* p, const char* last, uint64_t* mantissa) {
  while (last - p >= 8) {
    const TDigitRun run = EightBytesOfDigits(p);
    *mantissa = *mantissa * kPowersOfTen[run.count] + run.value;
    p += run.count;
    if (run.count < 8) return p;
  }
  for (unsigned digit = 0; p < last && (digit = static_cast<unsigned char>(*p) - 48u) <= 9; ++p) {
    *mantissa = *mantissa * 10 + digit;
  }
  return p;
}

}  // namespace

// The way coordinates are written, with fewer than eight digits on either side of the point
// and no exponent ("-122.0845352", "37", ".5"), read from two 8-byte loads; false for any other
// text, which the general parse then reads. Needs 16 bytes of text from `p`.
static inline bool ParseShortDecimal(const char* p, double* value, const char** end) {
  const int integer = LeadingDigits(p);
  if (integer == 8) return false;
  const char* q = p + integer;
  const char* const fraction_digits = q + 1;
  int fraction = 0;
  if (*q == '.') {
    fraction = LeadingDigits(fraction_digits);
    if (fraction == 8) return false;
    q += 1 + fraction;
  }
  if (integer + fraction == 0 || *q == 'e' || *q == 'E') return false;
  *value = ShortDecimalValue(p, integer, fraction_digits, fraction);
  *end = q;
  return true;
}

const char* ParseNumber(const char* first, const char* last, double* value) {
  const char* p = first;
  bool negative = false;
  if (p < last && (*p == '+' || *p == '-')) negative = *p++ == '-';
  if (last - p >= 17) {
    double result = 0.0;
    const char* end = nullptr;
    if (ParseShortDecimal(p, &result, &end)) {
      *value = negative ? -result : result;
      return end;
    }
  }
  const char* const unsigned_start = p;
  // Up to 19 digits fit a uint64_t exactly; the count decides whether the mantissa is usable.
  uint64_t mantissa = 0;
  const char* const integer_start = p;
  p = AccumulateDigits(p, last, &mantissa);
  const auto integer_digits = static_cast<int>(p - integer_start);
  int fraction = 0;
  if (p < last && *p == '.') {
    const char* const fraction_start = ++p;
    p = AccumulateDigits(p, last, &mantissa);
    fraction = static_cast<int>(p - fraction_start);
  }
  const int digits = integer_digits + fraction;
  if (digits == 0) {
    *value = 0.0;
    return first;
  }
  bool has_exponent = false;
  if (p < last && (*p == 'e' || *p == 'E')) {
    const char* q = p + 1;
    if (q < last && (*q == '+' || *q == '-')) ++q;
    const char* const exponent_digits = q;
    while (q < last && IsDigit(*q)) ++q;
    // "1e" and "1e+" are the number 1 followed by other text.
    if (q > exponent_digits) {
      p = q;
      has_exponent = true;
    }
  }
  double result = 0.0;
  if (!has_exponent && digits <= 19 && mantissa <= kMaxExactInteger && fraction <= 22) {
    // Clinger's fast path for the plain decimals coordinates are written in: mantissa and
    // power of ten are exact doubles, so one division is correctly rounded.
    result = static_cast<double>(mantissa) / kExactPowers[fraction];
  } else if (has_exponent || digits > 19 || !ExtendedQuotient(mantissa, fraction, &result)) {
    result =
        ConvertGeneral(std::string_view(unsigned_start, static_cast<size_t>(p - unsigned_start)));
  }
  *value = negative ? -result : result;
  return p;
}

size_t NumericPrefixLength(std::string_view text) {
  double value = 0.0;
  return static_cast<size_t>(ParseNumber(text.data(), text.data() + text.size(), &value) -
                             text.data());
}

double ParseNumberPrefix(std::string_view text) {
  double value = 0.0;
  ParseNumber(text.data(), text.data() + text.size(), &value);
  return value;
}

namespace {

// Bits [from, to) of a 64-bit mask; to is at most 63.
uint64_t BitRange(unsigned from, unsigned to) {
  return ((uint64_t{1} << to) - 1) & ~((uint64_t{1} << from) - 1);
}

// Where the numbers of the tuple "x,y,z" and the whitespace after it (or the end of the text
// at `last`, with `at_end`) lie among the 64 bytes at `p`, found from one classification of
// them: the ends of the numbers do not wait for each other's digits. A track's coord has ' '
// for its `separator`.
struct TTupleSpan {
  uint64_t digits;  // the digits among the 64 bytes
  unsigned comma1;
  unsigned comma2;
  unsigned space;  // the whitespace after the tuple, or the end of the text
  unsigned after;  // where the next tuple may start
};

__attribute__((always_inline)) inline bool FindShortTuple(const char* p, const char* last,
                                                          bool at_end, TTupleSpan* span,
                                                          char separator = ',',
                                                          bool tag_after = false) {
  uint64_t number_chars = 0;  // digits, '.' and '-'
  ClassifyTupleSpan(p, &span->digits, &number_chars);
  // The first three other characters end the three numbers: ',' ',' and whitespace. Past
  // `last` they are no delimiters: a tuple that reaches past it is not read here.
  const auto limit = static_cast<size_t>(last - p);
  const uint64_t ends = ~number_chars;
  const uint64_t after_first = ends & (ends - 1);
  const uint64_t after_second = after_first & (after_first - 1);
  if (after_second == 0) return false;
  span->comma1 = static_cast<unsigned>(std::countr_zero(ends));
  span->comma2 = static_cast<unsigned>(std::countr_zero(after_first));
  span->space = static_cast<unsigned>(std::countr_zero(after_second));
  if (span->space >= limit) {
    span->after = span->space;
    return span->space == limit && at_end && p[span->comma1] == separator &&
           p[span->comma2] == separator;
  }
  span->after = span->space + 1;
  const char after = p[span->space];
  const bool ended =
      tag_after ? after == '<' : after == ' ' || after == '\t' || after == '\r' || after == '\n';
  return p[span->comma1] == separator && p[span->comma2] == separator && ended;
}

// Where the point of the number [from, to) of `p` is (`to` when it has none), when the number
// is a sign, digits and at most one point, with a digit; `digits` marks the digits at `p`.
// False for any other text.
__attribute__((always_inline)) inline bool FindPoint(const char* p, uint64_t digits, unsigned from,
                                                     unsigned to, unsigned* point) {
  const unsigned start = from + (p[from] == '-' ? 1 : 0);
  if (start >= to) return false;
  const uint64_t others = ~digits & BitRange(start, to);
  *point = to;
  if (others == 0) return true;
  *point = static_cast<unsigned>(std::countr_zero(others));
  return (others & (others - 1)) == 0 && p[*point] == '.' && to - start > 1;
}

constexpr int Decimals(TRowColumn column) {
  return column == TRowColumn::kXY ? kXYDecimals : kZDecimals;
}

// The integer digits CopyFixedText takes: what keeps the value within a thousandth of the last
// decimal of the text (its error is at most 2^-44 below 1000, 2^-27 below 2^27).
constexpr unsigned MaxIntegerDigits(TRowColumn column) { return column == TRowColumn::kXY ? 3 : 8; }

// One number [from, to) of a tuple found by FindShortTuple, as text where CopyFixedText gives
// it, else as its value. The usual one, padded with zeros, is made in one vector.
__attribute__((always_inline)) inline bool ShortNumberText(const char* p, uint64_t digits,
                                                           unsigned from, unsigned to,
                                                           TRowColumn column, TFixedText* out) {
  unsigned point = 0;
  if (!FindPoint(p, digits, from, to, &point)) return false;
#if defined(__SSE2__)
  const bool negative = p[from] == '-';
  const unsigned start = from + (negative ? 1 : 0);
  const unsigned integer = point - start;
  const unsigned fraction = point == to ? 0 : to - point - 1;
  const unsigned length = to - from;
  if (integer >= 1 && integer <= MaxIntegerDigits(column) &&
      fraction <= static_cast<unsigned>(Decimals(column)) && (integer == 1 || p[start] != '0')) {
    const __m128i text = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + from));
    const __m128i zeros = _mm_set1_epi8('0');
    // A zero, or a negative zero, is CopyFixedText's ("0", no sign).
    const auto nonzero = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpgt_epi8(text, zeros))) &
                         ((1U << length) - 1);
    if (nonzero != 0) {
      const __m128i index = _mm_setr_epi8(0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15);
      const __m128i end = _mm_set1_epi8(static_cast<char>(length));
      const __m128i keep = _mm_cmplt_epi8(index, end);
      // Past the text: zeros, and the point first where it has none.
      __m128i fill = zeros;
      if (point == to) {
        fill =
            _mm_add_epi8(fill, _mm_and_si128(_mm_cmpeq_epi8(index, end), _mm_set1_epi8('.' - '0')));
      }
      _mm_store_si128(reinterpret_cast<__m128i*>(out->MutableBytes()),
                      _mm_or_si128(_mm_and_si128(keep, text), _mm_andnot_si128(keep, fill)));
      out->SetLength(point - from + 1 + static_cast<unsigned>(Decimals(column)));
      return true;
    }
  }
#endif
  if (CopyFixedText(std::string_view(p + from, to - from), column, out)) return true;
  double value = 0.0;
  ParseNumber(p + from, p + to, &value);
  *out = TFixedText::OfValue(value);
  return true;
}

// The number [from, to) of `p` of the short shape ("-122.0845352": a sign, at most seven
// digits either side of one point, at least one digit); `digits` marks the digits among the
// 64 bytes at `p`. False for any other text.
bool ReadShortNumber(const char* p, uint64_t digits, unsigned from, unsigned to, double* value) {
  unsigned point = 0;
  if (!FindPoint(p, digits, from, to, &point)) return false;
  const bool negative = p[from] == '-';
  const unsigned start = from + (negative ? 1 : 0);
  const auto integer = static_cast<int>(point - start);
  const int fraction = point == to ? 0 : static_cast<int>(to - point - 1);
  if (integer > 7 || fraction > 7) return false;
  const double magnitude = ShortDecimalValue(p + start, integer, p + point + 1, fraction);
  *value = negative ? -magnitude : magnitude;
  return true;
}

}  // namespace

bool CopyFixedText(std::string_view number, TRowColumn column, TFixedText* out) {
  const size_t decimals = static_cast<size_t>(Decimals(column));
  const size_t size = number.size();
  const bool negative = size > 0 && number[0] == '-';
  size_t i = negative ? 1 : 0;
  const size_t integer_start = i;
  bool nonzero = false;
  for (; i < size && IsDigit(number[i]); ++i) nonzero |= number[i] != '0';
  const size_t integer = i - integer_start;
  if (integer == 0 || integer > MaxIntegerDigits(column) ||
      (integer > 1 && number[integer_start] == '0')) {
    return false;
  }
  size_t fraction_start = i;
  if (i < size) {
    if (number[i] != '.') return false;
    fraction_start = ++i;
    for (; i < size && IsDigit(number[i]); ++i) nonzero |= number[i] != '0';
    if (i != size) return false;
  }
  const size_t fraction = size - fraction_start;
  char* const bytes = out->MutableBytes();
  if (!nonzero && column == TRowColumn::kZ) {
    bytes[0] = '0';
    out->SetLength(1);
    return true;
  }
  // The digits written: a place for a carry, the integer's, `decimals` of the fraction's.
  char digits[1 + 8 + kXYDecimals];
  const size_t count = 1 + integer + decimals;
  digits[0] = '0';
  std::memcpy(digits + 1, number.data() + integer_start, integer);
  const size_t copied = std::min(fraction, decimals);
  std::memcpy(digits + 1 + integer, number.data() + fraction_start, copied);
  std::memset(digits + 1 + integer + copied, '0', decimals - copied);
  if (fraction > decimals) {
    // The next three digits, in thousandths of the last decimal written.
    unsigned rest = 0;
    for (size_t k = decimals; k < decimals + 3; ++k) {
      rest =
          rest * 10 + (k < fraction ? static_cast<unsigned>(number[fraction_start + k] - '0') : 0);
    }
    if (rest >= 498 && rest <= 501) return false;
    if (rest >= 502) {
      size_t k = count - 1;
      while (digits[k] == '9') digits[k--] = '0';
      ++digits[k];
    }
    nonzero = std::any_of(digits, digits + count, [](char c) { return c != '0'; });
  }
  const size_t first = digits[0] == '0' ? 1 : 0;
  const size_t integer_written = count - first - decimals;
  if (integer_written > MaxIntegerDigits(column)) return false;
  size_t length = 0;
  // No minus sign on a number that is written as zero.
  if (negative && nonzero) bytes[length++] = '-';
  std::memcpy(bytes + length, digits + first, integer_written);
  length += integer_written;
  bytes[length++] = '.';
  std::memcpy(bytes + length, digits + first + integer_written, decimals);
  out->SetLength(length + decimals);
  return true;
}

const char* ParsePlainTupleText(const char* p, const char* last, bool at_end, TVertexText* vertex) {
  TFixedText* const numbers[] = {&vertex->X, &vertex->Y, &vertex->Z};
  return ParsePlainTupleOf(p, last, at_end, [&](int index, const char* from) {
    const TRowColumn column = index < 2 ? TRowColumn::kXY : TRowColumn::kZ;
    // The text CopyFixedText may take ends at the first character that is none of its.
    const char* end = from;
    while (end < last && (IsDigit(*end) || *end == '.' || *end == '-')) ++end;
    if (CopyFixedText(std::string_view(from, static_cast<size_t>(end - from)), column,
                      numbers[index])) {
      return end;
    }
    double value = 0.0;
    end = ParseNumber(from, last, &value);
    *numbers[index] = TFixedText::OfValue(value);
    return end;
  });
}

bool ReadShortTuple(const char* p, const char* last, bool at_end, TXYZPoint* point,
                    const char** end) {
  TTupleSpan span{};
  if (!FindShortTuple(p, last, at_end, &span) ||
      !ReadShortNumber(p, span.digits, 0, span.comma1, &point->X) ||
      !ReadShortNumber(p, span.digits, span.comma1 + 1, span.comma2, &point->Y) ||
      !ReadShortNumber(p, span.digits, span.comma2 + 1, span.space, &point->Z)) {
    return false;
  }
  *end = p + span.after;
  return true;
}

bool ReadShortTupleText(const char* p, const char* last, bool at_end, TVertexText* vertex,
                        const char** end) {
  TTupleSpan span{};
  if (!FindShortTuple(p, last, at_end, &span) ||
      !ShortNumberText(p, span.digits, 0, span.comma1, TRowColumn::kXY, &vertex->X) ||
      !ShortNumberText(p, span.digits, span.comma1 + 1, span.comma2, TRowColumn::kXY, &vertex->Y) ||
      !ShortNumberText(p, span.digits, span.comma2 + 1, span.space, TRowColumn::kZ, &vertex->Z)) {
    return false;
  }
  *end = p + span.after;
  return true;
}

namespace {

bool IsCoordinateSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// One number of a tuple after leading whitespace: its numeric prefix, then whatever follows up
// to a comma or whitespace, which *delimiter is set to (0 for the end of the text with
// `at_end`). Returns the text after the delimiter, or nullptr (more text needed, or none).
const char* NumberBefore(const char* p, const char* last, bool at_end, double* value,
                         char* delimiter) {
  while (p < last && IsCoordinateSpace(*p)) ++p;
  const char* const first = p;
  double number = 0.0;
  // The numeric prefix never holds a delimiter, so it can be read before the delimiter is
  // found; what follows it up to the delimiter is ignored.
  p = ParseNumber(first, last, &number);
  while (p < last && *p != ',' && !IsCoordinateSpace(*p)) ++p;
  if (p < last) {
    *value = number;
    *delimiter = *p;
    return p + 1;
  }
  if (!at_end || first == last) return nullptr;
  *value = number;
  *delimiter = 0;
  return last;
}

}  // namespace

const char* ParseTuple(const char* p, const char* last, bool at_end, TXYZPoint* point) {
  double x = 0.0;
  double y = 0.0;
  double z = 0.0;
  char delimiter = 0;
  p = NumberBefore(p, last, at_end, &x, &delimiter);
  if (p == nullptr) return nullptr;
  // After a comma, an empty last number ("8,9,") is 0, as other readers take it.
  const auto after_comma = [&](double* value) {
    while (p < last && IsCoordinateSpace(*p)) ++p;
    if (!at_end || p < last) {
      p = NumberBefore(p, last, at_end, value, &delimiter);
      return p != nullptr;
    }
    delimiter = 0;
    return true;
  };
  if (delimiter == ',' && !after_comma(&y)) return nullptr;
  if (delimiter == ',' && !after_comma(&z)) return nullptr;
  *point = {x, y, z};
  return p;
}

namespace {

bool IsTrackSeparator(char c) { return c == ',' || IsCoordinateSpace(c); }

// The numbers of a track's coord, each handed to `number(index, text)` with the text up to the
// next separator; `index` counts from 0, at most 3. Returns the count.
template <class TNumber>
size_t ForEachTrackNumber(std::string_view text, TNumber number) {
  size_t count = 0;
  const char* p = text.data();
  const char* const end = p + text.size();
  for (;;) {
    while (p < end && IsTrackSeparator(*p)) ++p;
    if (p == end || count == 3) break;
    const char* const start = p;
    while (p < end && !IsTrackSeparator(*p)) ++p;
    number(count++, std::string_view(start, static_cast<size_t>(p - start)));
  }
  return count;
}

}  // namespace

bool ParseTrackCoord(std::string_view text, TXYZPoint* point) {
  std::array<double, 3> values{};
  const size_t count = ForEachTrackNumber(text, [&](size_t index, std::string_view number) {
    ParseNumber(number.data(), number.data() + number.size(), &values[index]);
  });
  *point = {values[0], values[1], values[2]};
  return count > 0;
}

bool ReadShortTrackCoordText(const char* p, const char* last, TVertexText* vertex,
                             const char** end) {
  while (p < last && IsCoordinateSpace(*p)) ++p;
  TTupleSpan span{};
  if (p == last || !FindShortTuple(p, last, false, &span, ' ', true) ||
      !ShortNumberText(p, span.digits, 0, span.comma1, TRowColumn::kXY, &vertex->X) ||
      !ShortNumberText(p, span.digits, span.comma1 + 1, span.comma2, TRowColumn::kXY, &vertex->Y) ||
      !ShortNumberText(p, span.digits, span.comma2 + 1, span.space, TRowColumn::kZ, &vertex->Z)) {
    return false;
  }
  *end = p + span.space;
  return true;
}

bool ParseTrackCoordText(std::string_view text, TVertexText* vertex) {
  std::array<TFixedText*, 3> numbers = {&vertex->X, &vertex->Y, &vertex->Z};
  for (TFixedText* number : numbers) *number = TFixedText::OfValue(0.0);
  const size_t count = ForEachTrackNumber(text, [&](size_t index, std::string_view number) {
    if (CopyFixedText(number, index < 2 ? TRowColumn::kXY : TRowColumn::kZ, numbers[index])) {
      return;
    }
    double value = 0.0;
    ParseNumber(number.data(), number.data() + number.size(), &value);
    *numbers[index] = TFixedText::OfValue(value);
  });
  return count > 0;
}

}  // namespace trelvo
