#include "reading/NumberText.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>
#include <system_error>

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

// Appends the run of digits at `p` to `*mantissa` (wrapping past 19 digits, which the caller
// counts and rejects) and returns the end of the run.
inline const char* AccumulateDigits(const char* p, const char* last, uint64_t* mantissa) {
  for (unsigned digit = 0; p < last && (digit = static_cast<unsigned char>(*p) - 48u) <= 9; ++p) {
    *mantissa = *mantissa * 10 + digit;
  }
  return p;
}

}  // namespace

const char* ParseNumber(const char* first, const char* last, double* value) {
  const char* p = first;
  bool negative = false;
  if (p < last && (*p == '+' || *p == '-')) negative = *p++ == '-';
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
  } else {
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

}  // namespace trelvo
