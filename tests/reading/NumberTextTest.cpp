// The number grammar: what is a number, how far it reaches, and its correctly rounded value.
#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <limits>
#include <random>
#include <sstream>
#include <string>

#include "reading/NumberText.h"
#include "transform/TextExport.h"

namespace trelvo {
namespace {

// Checks the value (with its sign, so -0 differs from 0) and how many characters it takes.
void Verify(const std::string& text, double value, size_t length) {
  SCOPED_TRACE("text: \"" + text + "\"");
  EXPECT_EQ(NumericPrefixLength(text), length);
  const double parsed = ParseNumberPrefix(text);
  EXPECT_EQ(parsed, value);
  EXPECT_EQ(std::signbit(parsed), std::signbit(value));
}

TEST(NumberText, ReadsTheLongestNumericPrefix) {
  const double inf = std::numeric_limits<double>::infinity();

  const struct {
    std::string text;
    double value;
    size_t length;
  } cases[] = {
      // clang-format off
      {"12", 12, 2}, {"-122.0842", -122.0842, 9}, {"+008.5155383", 8.5155383, 12}, {".5", 0.5, 2},
      {"5.", 5, 2}, {"-.25", -0.25, 4}, {"-0", -0.0, 2}, {"1E5", 100000, 3},
      {"7.76166643845E-1", 0.776166643845, 16}, {"0.776166643845e+3", 776.166643845, 17},
      // Not a number in full: the prefix counts.
      {"10</coordinates>", 10, 2}, {"3,4", 3, 1}, {"5ddd", 5, 1}, {"1e", 1, 1}, {"1e+", 1, 1},
      {"7.76166643845E", 7.76166643845, 13}, {"1.2.3", 1.2, 3}, {"0x1p3", 0, 1},
      // Out of range saturates to infinity or to a signed zero.
      {"1e400", inf, 5}, {"-1e400", -inf, 6}, {"1e-400", 0.0, 6}, {"-1e-400", -0.0, 7},
      {"1e99999999999999999999", inf, 22}, {"0e99999", 0.0, 7},
      {"1" + std::string(400, '0'), inf, 401}, {"0." + std::string(400, '0') + "1", 0.0, 403},
      {std::string(400, '9') + "e-390", 1e10, 405},
      // clang-format on
  };

  // Alone, and followed by more text (where the 8-byte loads of the fast path can be made).
  const std::string more(20, ' ');
  for (const auto& c : cases) {
    Verify(c.text, c.value, c.length);
    Verify(c.text + more, c.value, c.length);
  }
  // No number at all is 0: no words, no leading whitespace, one sign only.
  for (const char* text : {"", "-", "+", ".", "-.", "e5", "xxx", "nan", "-nan", "inf", "Infinity",
                           " 1", "\t2", "+-1", "--1"}) {
    Verify(text, 0.0, 0);
    Verify(text + more, 0.0, 0);
  }
}

// The fast path for plain decimals must give the correctly rounded value from_chars gives.
TEST(NumberText, AgreesWithFromCharsOnRandomDecimals) {
  std::mt19937_64 random(42);
  std::uniform_int_distribution<int> length(1, 19);
  // Half of them 15 to 19 digits, as coordinates with 12 to 14 decimals have: mantissas above
  // 2^53, and about one in 2,000 on a rounding midpoint of the extended division.
  std::uniform_int_distribution<int> long_length(15, 19);
  std::uniform_int_distribution<int> digit(0, 9);
  for (int i = 0; i < 1000000; ++i) {
    std::string text;
    const int digits = i % 2 == 0 ? length(random) : long_length(random);
    const int point = std::uniform_int_distribution<int>(0, digits)(random);
    for (int d = 0; d < digits; ++d) {
      if (d == point) text += '.';
      text += static_cast<char>('0' + digit(random));
    }
    double expected = 0.0;
    std::from_chars(text.data(), text.data() + text.size(), expected);
    ASSERT_EQ(ParseNumberPrefix(text), expected) << text;
    // Followed by more text, as in a file, where the 8-byte loads of the fast path can be made.
    const std::string tuple = "-" + text + ",37.4219 1,2,3</coordinates>";
    ASSERT_EQ(ParseNumberPrefix(tuple), -expected) << text;
    ASSERT_EQ(NumericPrefixLength(tuple), text.size() + 1) << text;
  }
}

// The tuple grammar on its own: what the general reader makes of a tuple's text, and where it
// ends (its fast paths meet it in the reader table, on every piece size), and a track's coord.
TEST(NumberText, ReadsTheTupleGrammar) {
  const auto general = [](const std::string& text, bool at_end) {
    TXYZPoint point;
    const char* end = ParseTuple(text.data(), text.data() + text.size(), at_end, &point);
    if (end == nullptr) return std::string("none");
    std::ostringstream out;
    out << point.X << ' ' << point.Y << ' ' << point.Z << " @" << end - text.data();
    return out.str();
  };
  EXPECT_EQ(general("1,2,3 4", false), "1 2 3 @6");
  EXPECT_EQ(general("  1,2 4", false), "1 2 0 @6");
  EXPECT_EQ(general("1 2", false), "1 0 0 @2");
  EXPECT_EQ(general("1,2,3,4,5,6", false), "1 2 3 @6");
  EXPECT_EQ(general("5ddd,x, 7.5e1\n", false), "5 0 75 @14");
  EXPECT_EQ(general("8,9,", true), "8 9 0 @4");
  EXPECT_EQ(general("8,9,", false), "none");  // the last number may go on in the next text
  EXPECT_EQ(general("1,2,3", false), "none");
  EXPECT_EQ(general("1,2,3", true), "1 2 3 @5");
  EXPECT_EQ(general("   ", true), "none");
  TXYZPoint coord;
  ASSERT_TRUE(ParseTrackCoord(" -122.1 37.4,12 99", &coord));
  EXPECT_EQ(coord.X, -122.1);
  EXPECT_EQ(coord.Y, 37.4);
  EXPECT_EQ(coord.Z, 12.0);
  ASSERT_TRUE(ParseTrackCoord("5 6", &coord));
  EXPECT_EQ(coord.Z, 0.0);
  EXPECT_FALSE(ParseTrackCoord(" \n ", &coord));
}

// A number of every shape: signs, leading zeros, 0 to 20 digits either side of the point,
// digits past the written decimals near a half and on it, exponents.
std::string RandomNumberText(std::mt19937_64& random) {
  const auto below = [&](int n) { return std::uniform_int_distribution<int>(0, n - 1)(random); };
  const auto digits = [&](int count) {
    std::string text;
    for (int i = 0; i < count; ++i) text += static_cast<char>('0' + below(10));
    return text;
  };
  std::string text;
  const int sign = below(20);
  if (sign < 8) text += '-';
  if (sign == 8) text += '+';
  if (below(20) == 0) text += '0';
  text += digits(below(4) == 0 ? below(21) : below(5));
  const int decimals = below(2) == 0 ? kXYDecimals : kZDecimals;
  if (below(8) != 0) {
    text += '.';
    if (below(3) != 0) {
      text += digits(below(21));
    } else {
      // The written decimals, then digits near a half of the last one, or on it.
      static const char* const kRests[] = {"5",    "50",  "5000", "4999", "49999999", "498",
                                           "4979", "502", "5021", "501",  "50000001", "497"};
      text += digits(decimals) + kRests[below(12)] + (below(2) == 0 ? digits(below(6)) : "");
    }
  }
  if (below(30) == 0) text += (below(2) == 0 ? "e" : "E-") + digits(1 + below(2));
  return text;
}

// What formatting the number's value gives in a row's column: the digits the text path must
// give.
std::string FormattedValue(double value, TRowColumn column) {
  if (column == TRowColumn::kZ && value == 0.0) return "0";
  std::string text;
  AppendFixed(text, value, column == TRowColumn::kXY ? kXYDecimals : kZDecimals);
  return text;
}

// The text path of the writer's numbers: where it copies or rounds the digits, they are the
// digits that formatting the value gives, over millions of numbers of every shape, alone and
// in tuples; and it takes the usual shapes.
TEST(NumberText, CopiedDigitsAreTheFormattedValuesDigits) {
  std::mt19937_64 random(28);
  int64_t copied = 0;
  int64_t plain = 0;
  for (int i = 0; i < 2000000; ++i) {
    const std::string text = RandomNumberText(random);
    double value = 0.0;
    const bool whole = NumericPrefixLength(text) == text.size() && !text.empty();
    ParseNumber(text.data(), text.data() + text.size(), &value);
    for (const TRowColumn column : {TRowColumn::kXY, TRowColumn::kZ}) {
      TFixedText number;
      if (!CopyFixedText(text, column, &number)) continue;
      ++copied;
      ASSERT_TRUE(whole) << text;
      ASSERT_EQ(number.Text(), FormattedValue(value, column)) << text;
    }
    // In a tuple, where the fast readers take it, followed by other text to load past.
    const std::string tuple = text + "," + text + "," + text + " 1,2,3" + std::string(80, ' ');
    TVertexText vertex;
    const char* end = nullptr;
    if (!ReadShortTupleText(tuple.data(), tuple.data() + tuple.size(), false, &vertex, &end)) {
      continue;
    }
    ASSERT_EQ(end - tuple.data(), static_cast<ptrdiff_t>(3 * text.size() + 3)) << text;
    const std::pair<const TFixedText*, TRowColumn> numbers[] = {
        {&vertex.X, TRowColumn::kXY}, {&vertex.Y, TRowColumn::kXY}, {&vertex.Z, TRowColumn::kZ}};
    for (const auto& [number, column] : numbers) {
      const std::string written = number->HoldsText() ? std::string(number->Text())
                                                      : FormattedValue(number->Value(), column);
      ASSERT_EQ(written, FormattedValue(value, column)) << text;
      plain += number->HoldsText() ? 1 : 0;
    }
  }
  // Most numbers of these shapes are copied; coordinates as files write them always are.
  EXPECT_GT(copied, 1000000);
  EXPECT_GT(plain, 1000000);
  for (const char* text :
       {"-122.0845352", "37.42", "0", "-0.5", "179.99999999999", "-33.868820000000003"}) {
    TFixedText number;
    EXPECT_TRUE(CopyFixedText(text, TRowColumn::kXY, &number)) << text;
  }
  TFixedText altitude;
  EXPECT_TRUE(CopyFixedText("8848.86", TRowColumn::kZ, &altitude));
  for (const char* text : {"+8.5", "008.5", ".5", "1e3", "-0.00000000005", "1000.5"}) {
    TFixedText number;
    EXPECT_FALSE(CopyFixedText(text, TRowColumn::kXY, &number)) << text;
  }
}

}  // namespace
}  // namespace trelvo
