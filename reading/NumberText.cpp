#include "reading/NumberText.h"

#include <array>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <system_error>

#include "reading/TextScan.h"

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

// The number that fills [from, to) of `p`, when it is of the short shape ("-122.0845352": a
// sign, at most seven digits either side of one point, at least one digit); `digits` marks
// the digits among the 64 bytes at `p`. False for any other text.
bool ReadShortNumber(const char* p, uint64_t digits, unsigned from, unsigned to, double* value) {
  const bool negative = p[from] == '-';
  const unsigned start = from + (negative ? 1 : 0);
  if (start >= to) return false;
  const uint64_t others = ~digits & BitRange(start, to);
  unsigned point = to;
  if (others != 0) {
    point = static_cast<unsigned>(std::countr_zero(others));
    if ((others & (others - 1)) != 0 || p[point] != '.') return false;
  }
  const auto integer = static_cast<int>(point - start);
  const int fraction = point == to ? 0 : static_cast<int>(to - point - 1);
  if (integer > 7 || fraction > 7 || integer + fraction == 0) return false;
  const double magnitude = ShortDecimalValue(p + start, integer, p + point + 1, fraction);
  *value = negative ? -magnitude : magnitude;
  return true;
}

// The tuple "x,y,z" and the whitespace after it that start at `p`, when its numbers are short
// (see ReadShortNumber), found from one classification of the 64 bytes there: the ends of the
// numbers do not wait for each other's digits. Sets *end after that whitespace character.
// False for any other text, which the general parse then reads. Needs kShortTupleText bytes.
}  // namespace

bool ReadShortTuple(const char* p, TXYZPoint* point, const char** end) {
  uint64_t digits = 0;
  uint64_t number_chars = 0;  // digits, '.' and '-'
  ClassifyTupleSpan(p, &digits, &number_chars);
  // The first three other characters end the three numbers: ',' ',' and whitespace.
  const uint64_t ends = ~number_chars;
  const uint64_t after_first = ends & (ends - 1);
  const uint64_t after_second = after_first & (after_first - 1);
  if (after_second == 0) return false;
  const auto comma1 = static_cast<unsigned>(std::countr_zero(ends));
  const auto comma2 = static_cast<unsigned>(std::countr_zero(after_first));
  const auto space = static_cast<unsigned>(std::countr_zero(after_second));
  const char after = p[space];
  const bool whitespace = after == ' ' || after == '\t' || after == '\r' || after == '\n';
  if (p[comma1] != ',' || p[comma2] != ',' || !whitespace) return false;
  if (!ReadShortNumber(p, digits, 0, comma1, &point->X) ||
      !ReadShortNumber(p, digits, comma1 + 1, comma2, &point->Y) ||
      !ReadShortNumber(p, digits, comma2 + 1, space, &point->Z)) {
    return false;
  }
  *end = p + space + 1;
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

bool ParseTrackCoord(std::string_view text, TXYZPoint* point) {
  std::array<double, 3> values{};
  size_t count = 0;
  const char* p = text.data();
  const char* const end = p + text.size();
  const auto separator = [](char c) { return c == ',' || IsCoordinateSpace(c); };
  for (;;) {
    while (p < end && separator(*p)) ++p;
    if (p == end || count == values.size()) break;
    ParseNumber(p, end, &values[count++]);
    while (p < end && !separator(*p)) ++p;
  }
  *point = {values[0], values[1], values[2]};
  return count > 0;
}

}  // namespace trelvo
