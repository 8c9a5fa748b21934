#include "reading/NumberText.h"

#include <charconv>
#include <cmath>
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

}  // namespace

size_t NumericPrefixLength(std::string_view text) {
  size_t pos = 0;
  if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) ++pos;
  const size_t integer_end = SkipDigits(text, pos);
  bool has_digits = integer_end > pos;
  pos = integer_end;
  if (pos < text.size() && text[pos] == '.') {
    const size_t fraction_end = SkipDigits(text, pos + 1);
    has_digits = has_digits || fraction_end > pos + 1;
    pos = fraction_end;
  }
  if (!has_digits) return 0;
  if (pos < text.size() && (text[pos] == 'e' || text[pos] == 'E')) {
    size_t exponent = pos + 1;
    if (exponent < text.size() && (text[exponent] == '+' || text[exponent] == '-')) ++exponent;
    const size_t exponent_end = SkipDigits(text, exponent);
    // "1e" and "1e+" are the number 1 followed by other text.
    if (exponent_end > exponent) pos = exponent_end;
  }
  return pos;
}

double ParseNumberPrefix(std::string_view text) {
  const size_t length = NumericPrefixLength(text);
  if (length == 0) return 0.0;
  std::string_view number = text.substr(0, length);
  bool negative = false;
  // std::from_chars accepts '-' but not '+'; strip either and apply the sign ourselves.
  if (number[0] == '+' || number[0] == '-') {
    negative = number[0] == '-';
    number.remove_prefix(1);
  }
  double value = 0.0;
  const auto [end, ec] = std::from_chars(number.data(), number.data() + number.size(), value,
                                         std::chars_format::general);
  if (ec == std::errc::result_out_of_range) {
    value = DecimalMagnitude(number) > 0 ? std::numeric_limits<double>::infinity() : 0.0;
  } else if (ec != std::errc() || end != number.data() + number.size()) {
    // The grammar above admits nothing that from_chars rejects; stay defined regardless.
    value = 0.0;
  }
  return negative ? -value : value;
}

}  // namespace trelvo
