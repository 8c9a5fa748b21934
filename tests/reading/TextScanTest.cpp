// The block scans against their plain twins, on seeded random text made of the characters
// they look for: every start, every end, every name.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <string_view>

#include "reading/TextScan.h"

namespace trelvo {
namespace {

// Sparse text has one of those characters in about every sixteen, the rest letters, as markup
// has: a block scan then passes over whole blocks.
std::string RandomText(std::mt19937& random, size_t size, bool sparse = false) {
  static constexpr std::string_view kAlphabet =
      "<<!!&&\r\n -.,0123456789Pointcordaesx\x01\x02\x80\xC3\xA9\xFF";
  std::uniform_int_distribution<size_t> pick(0, kAlphabet.size() - 1);
  std::string text(size, 'a');
  for (char& c : text) {
    if (!sparse || random() % 16 == 0) c = kAlphabet[pick(random)];
  }
  return text;
}

TEST(TextScan, EveryScanAgreesWithItsPlainTwin) {
  std::mt19937 random(20261208);
  for (int round = 0; round < 300; ++round) {
    const std::string text = RandomText(random, 1 + random() % 200, round % 2 == 1);
    // Readable past the text, as a text window's buffer is, with what a scan must not find.
    const std::string window = text + std::string(16, '<');
    const char* const begin = window.data();
    for (size_t from = 0; from <= text.size(); ++from) {
      for (size_t end = from; end <= text.size(); end += 1 + end % 5) {
        ASSERT_EQ(FindFilterStop(begin + from, begin + end) - begin,
                  FindFilterStopPlain(begin + from, begin + end) - begin)
            << "[" << from << ", " << end << ") of " << text;
        ASSERT_EQ(FindLessThanInWindow(begin + from, begin + end) - begin,
                  FindLessThanPlain(begin + from, begin + end) - begin)
            << "[" << from << ", " << end << ") of " << text;
        ASSERT_EQ(FindDecodeStop(begin + from, begin + end) - begin,
                  FindDecodeStopPlain(begin + from, begin + end) - begin)
            << "[" << from << ", " << end << ") of " << text;
      }
    }
    const std::string_view view(text);
    for (const std::string_view name : {"Point", "coordinates", "!", "<!", "co", "Poi"}) {
      for (size_t end = 0; end <= text.size(); end += 1 + end % 7) {
        for (size_t from = 0; from <= end; from += 1 + from % 3) {
          ASSERT_EQ(FindName(view.substr(0, end), name, from),
                    FindNamePlain(view.substr(0, end), name, from))
              << name << " from " << from << " in " << view.substr(0, end);
        }
      }
    }
    const std::string span = RandomText(random, kTupleSpan);
    uint64_t digits = 0, number_chars = 0, plain_digits = 0, plain_number_chars = 0;
    ClassifyTupleSpan(span.data(), &digits, &number_chars);
    ClassifyTupleSpanPlain(span.data(), &plain_digits, &plain_number_chars);
    ASSERT_EQ(digits, plain_digits) << span;
    ASSERT_EQ(number_chars, plain_number_chars) << span;
  }
}

}  // namespace
}  // namespace trelvo
