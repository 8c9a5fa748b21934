#include <gtest/gtest.h>

#include <charconv>
#include <clocale>
#include <cmath>
#include <limits>
#include <random>
#include <string>

#include "reading/NumberText.h"
#include "transform/TextExport.h"

namespace trelvo {
namespace {

// Checks the value (with its sign, so -0 differs from 0) and the prefix length.
void Verify(const std::string& text, double value, size_t length) {
  SCOPED_TRACE("text: \"" + text + "\"");
  EXPECT_EQ(NumericPrefixLength(text), length);
  const double parsed = ParseNumberPrefix(text);
  EXPECT_EQ(parsed, value);
  EXPECT_EQ(std::signbit(parsed), std::signbit(value));
}

TEST(NumberText, AcceptsTheDecimalGrammar) {
  Verify("12", 12, 2);
  Verify("-122.0842", -122.0842, 9);
  Verify("+008.5155383", 8.5155383, 12);
  Verify(".5", 0.5, 2);
  Verify("5.", 5, 2);
  Verify("-.25", -0.25, 4);
  Verify("7.76166643845E-1", 0.776166643845, 16);
  Verify("0.776166643845e+3", 776.166643845, 17);
  Verify("1E5", 100000, 3);
  Verify("-0", -0.0, 2);
}

// Text that is not a number in full keeps the value of its longest numeric prefix.
TEST(NumberText, UsesTheLongestNumericPrefix) {
  Verify("10</coordinates>", 10, 2);
  Verify("3,4", 3, 1);
  Verify("5ddd", 5, 1);
  Verify("10xx", 10, 2);
  Verify("1e", 1, 1);
  Verify("1e+", 1, 1);
  Verify("7.76166643845E", 7.76166643845, 13);
  Verify("1.2.3", 1.2, 3);
  Verify("0x1p3", 0, 1);
}

TEST(NumberText, TextWithoutANumberIsZero) {
  for (const char* text : {"", "-", "+", ".", "-.", "e5", "xxx", "nan", "-nan", "inf", "Infinity",
                           " 1", "\t2", "+-1", "--1"}) {
    Verify(text, 0.0, 0);
  }
}

TEST(NumberText, OutOfRangeMagnitudesSaturate) {
  const double infinity = std::numeric_limits<double>::infinity();
  Verify("1e400", infinity, 5);
  Verify("-1e400", -infinity, 6);
  Verify("1e-400", 0.0, 6);
  Verify("-1e-400", -0.0, 7);
  Verify("1e99999999999999999999", infinity, 22);
  Verify("0e99999", 0.0, 7);
  Verify("1" + std::string(400, '0'), infinity, 401);
  Verify("0." + std::string(400, '0') + "1", 0.0, 403);
  Verify(std::string(400, '9') + "e-390", 1e10, 405);
}

// Plain decimals take a shortcut; it must give the correctly rounded value from_chars gives.
TEST(NumberText, AgreesWithFromCharsOnDecimalText) {
  std::mt19937_64 random(42);
  std::uniform_int_distribution<int> length(1, 19);
  std::uniform_int_distribution<int> digit(0, 9);
  for (int i = 0; i < 200000; ++i) {
    std::string text;
    const int digits = length(random);
    const int point = std::uniform_int_distribution<int>(0, digits)(random);
    for (int d = 0; d < digits; ++d) {
      if (d == point) text += '.';
      text += static_cast<char>('0' + digit(random));
    }
    double expected = 0.0;
    std::from_chars(text.data(), text.data() + text.size(), expected);
    ASSERT_EQ(ParseNumberPrefix(text), expected) << text;
    ASSERT_EQ(ParseNumberPrefix("-" + text), -expected) << text;
  }
}

// A coordinate written by the exporter reads back as the same double it came from, and the
// conversion does not depend on the user's locale.
TEST(NumberText, RoundTripsWhatTheWriterWritesWhateverTheLocale) {
  std::setlocale(LC_ALL, "de_DE.UTF-8");  // ',' as decimal point, where installed
  std::mt19937_64 random(20261206);
  std::uniform_real_distribution<double> longitude(-180.0, 180.0);
  for (int i = 0; i < 20000; ++i) {
    const double value = std::round(longitude(random) * 1e10) / 1e10;
    std::string text;
    AppendFixed(text, value, 10);
    ASSERT_EQ(ParseNumberPrefix(text), value) << text;
  }
  std::setlocale(LC_ALL, "C");
}

}  // namespace
}  // namespace trelvo
