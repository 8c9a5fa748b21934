// The streaming reader against the literal string model: same geometries, same vertices,
// same results, for hand-written cases, the real-world corpus and random texts.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "tests/support/KmlGenerator.h"
#include "tests/support/ReaderHelpers.h"
#include "tests/support/ReferenceReader.h"

namespace trelvo {
namespace {

using test::TKind;

std::string ReferenceReadAll(const std::string& text, TKind kind) {
  test::TReferenceReader reader(text);
  std::string out;
  for (int guard = 0; guard < 100000; ++guard) {
    const bool found = trelvo::test::Next(reader, kind);
    if (!found) break;
    out += '(';
    for (int32_t i = 1; i <= reader.Points().Count(); ++i) {
      const TXYZPoint& p = reader.Points().Get(i);
      out += '[' + test::FormatShortest(p.X) + ',' + test::FormatShortest(p.Y) + ',' +
             test::FormatShortest(p.Z) + ']';
    }
    out += ')';
  }
  return out;
}

// Compares both readers on `text`; returns the number of vertices found, over all kinds.
size_t ExpectSameAsModel(const std::string& text, size_t piece = SIZE_MAX) {
  size_t vertices = 0;
  for (TKind kind : {TKind::kPoint, TKind::kPath, TKind::kPolygon}) {
    const std::string real = test::ReadAll(text, kind, piece);
    EXPECT_EQ(real, ReferenceReadAll(text, kind))
        << "kind " << static_cast<int>(kind) << ", text:\n"
        << text.substr(0, 2000);
    vertices += static_cast<size_t>(std::count(real.begin(), real.end(), '['));
  }
  return vertices;
}

TEST(ReferenceModel, AgreesOnHandWrittenCases) {
  for (const std::string& text : std::vector<std::string>{
           "<Point><coordinates>1,2,3</coordinates></Point>",
           "<LineString><coordinates>\n1,2,3\n4,5\n</coordinates>",
           std::string(996, 'x') + "<Point><coordinates>1,2,3</coordinates>",
           "<Point id='a'/><Point><coordinates/><Point><coordinates> </coordinates>",
           "<LineString><coordinates>1,2,3<!-- a -->4,5,6<!-- b",
           "<Polygon><LinearRing/><LinearRing><coordinates>1,2,3,4,5,6</coordinates>",
       }) {
    ExpectSameAsModel(text);
  }
}

TEST(ReferenceModel, AgreesOnTheCorpus) {
  if (!std::filesystem::is_directory(TRELVO_CORPUS_DIR)) GTEST_SKIP() << "no corpus folder";
  for (const auto& entry : std::filesystem::directory_iterator(TRELVO_CORPUS_DIR)) {
    SCOPED_TRACE(entry.path().filename().string());
    ExpectSameAsModel(test::ReadFileBytes(entry.path().string()), 4093);
  }
}

TEST(ReferenceModel, AgreesOnRandomTexts) {
  std::mt19937_64 random(1206);
  size_t vertices = 0;
  for (uint64_t seed = 0; seed < 1500 && !HasFailure(); ++seed) {
    vertices += ExpectSameAsModel(test::RandomKml(seed), 1 + random() % 5000);
  }
  // The texts must exercise the tuple reading, not only the tag search.
  EXPECT_GT(vertices, 3000u);
}

}  // namespace
}  // namespace trelvo
