#include <gtest/gtest.h>

#include <charconv>
#include <clocale>
#include <cmath>
#include <functional>
#include <limits>
#include <random>
#include <string>

#include "tests/support/ReaderHelpers.h"
#include "tests/support/TempDir.h"
#include "transform/AtomicFile.h"
#include "transform/TextExport.h"

namespace trelvo {
namespace {

std::string Fixed(double value, int decimals) {
  std::string out;
  AppendFixed(out, value, decimals);
  return out;
}

TEST(FixedPoint, RoundsCorrectlyWithTheStatedDecimals) {
  EXPECT_EQ(Fixed(0.5, 10), "0.5000000000");
  EXPECT_EQ(Fixed(-122.0842, 10), "-122.0842000000");
  EXPECT_EQ(Fixed(12.3456789, 5), "12.34568");
  EXPECT_EQ(Fixed(0.000001, 5), "0.00000");
  EXPECT_EQ(Fixed(123456789012.5, 5), "123456789012.50000");
  EXPECT_EQ(Fixed(1e20, 10), "100000000000000000000.0000000000");
  // 2.675 is 2.67499999999999982236431605997495353221893310546875 as a double.
  EXPECT_EQ(Fixed(2.675, 2), "2.67");
}

TEST(FixedPoint, DropsTheMinusSignOfValuesThatRoundToZero) {
  EXPECT_EQ(Fixed(-0.0, 10), "0.0000000000");
  EXPECT_EQ(Fixed(-0.00000000001, 10), "0.0000000000");
  EXPECT_EQ(Fixed(-0.000000001, 5), "0.00000");
  EXPECT_EQ(Fixed(-0.00000000006, 10), "-0.0000000001");
}

// The fast formatter must agree with std::to_chars digit for digit, ties included.
TEST(FixedPoint, AgreesWithToCharsOnRandomValues) {
  std::mt19937_64 random(7);
  std::uniform_real_distribution<double> unit(-1.0, 1.0);
  std::uniform_int_distribution<int> exponent(-40, 30);
  std::uniform_int_distribution<int> ticks(-2000000, 2000000);
  for (int i = 0; i < 200000; ++i) {
    double value = std::ldexp(unit(random), exponent(random));
    // Exact ties such as 2^-11 = 0.00048828125 at 10 decimals.
    if (i % 4 == 0)
      value = std::ldexp(static_cast<double>(ticks(random)), -exponent(random) / 2 - 12);
    for (const int decimals : {5, 10}) {
      char expected[400];
      const auto result = std::to_chars(expected, expected + sizeof(expected), value,
                                        std::chars_format::fixed, decimals);
      std::string reference(expected, result.ptr);
      if (reference[0] == '-' && reference.find_first_not_of("-0.") == std::string::npos) {
        reference.erase(0, 1);
      }
      ASSERT_EQ(Fixed(value, decimals), reference) << std::hexfloat << value;
    }
  }
}

TEST(FixedPoint, WritesInfinitiesAsWords) {
  EXPECT_EQ(Fixed(std::numeric_limits<double>::infinity(), 10), "inf");
  EXPECT_EQ(Fixed(-std::numeric_limits<double>::infinity(), 5), "-inf");
}

TEST(FixedPoint, IgnoresTheUserLocale) {
  if (std::setlocale(LC_ALL, "de_DE.UTF-8") == nullptr &&
      std::setlocale(LC_ALL, "fr_FR.UTF-8") == nullptr) {
    GTEST_SKIP() << "no locale with a decimal comma installed";
  }
  EXPECT_EQ(Fixed(1234.5, 10), "1234.5000000000");
  std::setlocale(LC_ALL, "C");
}

// Writes rows through a real file and returns its bytes.
class TextWriterTest : public ::testing::Test {
 protected:
  std::string Written(char separator, const std::function<void(TTextWriter&)>& write) {
    const std::string target = m_folder.Path("out.txt");
    {
      TAtomicFile file(target, m_folder.Path("input.kml"));
      TTextWriter writer(file, separator);
      write(writer);
      writer.Flush();
      file.Commit();
    }
    return test::ReadFileBytes(target);
  }

  test::TTempDir m_folder;
};

TEST_F(TextWriterTest, WritesTheHeaderWithCrLfLineEnds) {
  EXPECT_EQ(Written(',', [](TTextWriter& writer) { writer.WriteHeader(); }),
            "Trelvo\r\nPowered by Brisko Solutions\r\nwww.trelvo.example\r\n\r\nEntity type:");
}

TEST_F(TextWriterTest, WritesZeroAltitudeAsASingleDigit) {
  EXPECT_EQ(Written(',',
                    [](TTextWriter& writer) {
                      writer.WriteVertexRow({-122.1, 37.4, 0.0});
                      writer.WriteVertexRow({1, 2, -0.0});
                      writer.WriteVertexRow({1, 2, 0.000001});
                      writer.WriteVertexRow({-122.2, 37.5, 10});
                    }),
            "-122.1000000000,37.4000000000,0\r\n"
            "1.0000000000,2.0000000000,0\r\n"
            "1.0000000000,2.0000000000,0.00000\r\n"
            "-122.2000000000,37.5000000000,10.00000\r\n");
}

TEST_F(TextWriterTest, SeparatesFieldsWithTheChosenCharacter) {
  for (const char separator : {',', ' ', '\t'}) {
    const std::string expected =
        std::string("1.5000000000") + separator + "2.5000000000" + separator + "3.50000\r\n";
    EXPECT_EQ(Written(separator,
                      [](TTextWriter& writer) {
                        writer.WriteVertexRow({1.5, 2.5, 3.5});
                      }),
              expected);
  }
}

TEST_F(TextWriterTest, WritesAVertexBlockWithItsCount) {
  EXPECT_EQ(Written(',', [](TTextWriter& writer) { writer.WriteVertexBlock(nullptr, 0); }),
            "\r\n0 Vertices\r\n");
  const TXYZPoint points[] = {{1, 2, 3}, {4, 5, 0}};
  EXPECT_EQ(Written(',', [&](TTextWriter& writer) { writer.WriteVertexBlock(points, 2); }),
            "\r\n2 Vertices\r\n1.0000000000,2.0000000000,3.00000\r\n"
            "4.0000000000,5.0000000000,0\r\n");
}

// Rows well past the writer's buffer reach the file whole and in order.
TEST_F(TextWriterTest, LargeOutputsArriveWhole) {
  const std::string bytes = Written(',', [](TTextWriter& writer) {
    for (int i = 0; i < 100000; ++i) writer.WriteVertexRow({i * 1.0, -i * 1.0, 0});
  });
  size_t rows = 0;
  for (size_t at = bytes.find("\r\n"); at != std::string::npos; at = bytes.find("\r\n", at + 2)) {
    ++rows;
  }
  EXPECT_EQ(rows, 100000u);
  EXPECT_EQ(bytes.substr(0, 29), "0.0000000000,0.0000000000,0\r\n");
  EXPECT_EQ(bytes.substr(bytes.size() - 38), "99999.0000000000,-99999.0000000000,0\r\n");
}

}  // namespace
}  // namespace trelvo
