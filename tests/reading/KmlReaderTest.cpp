// The reader's behaviour on well-formed and malformed text, and its independence from how
// the input is split into blocks.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "reading/IoError.h"
#include "tests/support/ReaderHelpers.h"

namespace trelvo {
namespace {

using test::ReadAll;
using test::TKind;

std::string Line(const std::string& coordinates) {
  return "<Placemark><LineString><coordinates>" + coordinates +
         "</coordinates></LineString></Placemark>\n";
}

std::string Point(const std::string& coordinates) {
  return "<Placemark><Point><coordinates>" + coordinates + "</coordinates></Point></Placemark>\n";
}

TEST(KmlReader, ReadsTheTuplesOfAPath) {
  EXPECT_EQ(ReadAll(Line("-122.1,37.4,0 -122.2,37.5,10 "), TKind::kPath),
            "([-122.1,37.4,0][-122.2,37.5,10])");
  // The same with the tuples on the line after the opening tag.
  EXPECT_EQ(ReadAll("<LineString><coordinates>\n-122.1,37.4,0 -122.2,37.5,10 </coordinates>",
                    TKind::kPath),
            "([-122.1,37.4,0][-122.2,37.5,10])");
}

TEST(KmlReader, FindsGeometriesInFileOrderAndOnlyOfTheRequestedKind) {
  const std::string text = "<kml><Document>\n" + Point("1,2,3") + Line("4,5,6 7,8,9") +
                           Point("10,11,12") + Line("13,14,15") + "</Document></kml>\n";
  EXPECT_EQ(ReadAll(text, TKind::kPoint), "([1,2,3])([10,11,12])");
  EXPECT_EQ(ReadAll(text, TKind::kPath), "([4,5,6][7,8,9])([13,14,15])");
  EXPECT_EQ(ReadAll(text, TKind::kPolygon), "");
}

TEST(KmlReader, AnEmptyCoordinatesElementIsAPathOfNoVertices) {
  EXPECT_EQ(ReadAll(Line("") + Line(" ") + Line("1,2,3"), TKind::kPath), "()()([1,2,3])");
}

TEST(KmlReader, APolygonGivesItsFirstRingOnly) {
  const std::string polygon =
      "<Polygon><outerBoundaryIs><LinearRing><coordinates>0,0,0 1,0,0 1,1,0 0,0,0"
      "</coordinates></LinearRing></outerBoundaryIs>\n<innerBoundaryIs><LinearRing><coordinates>"
      "0.2,0.2,0 0.3,0.2,0 0.2,0.2,0</coordinates></LinearRing></innerBoundaryIs></Polygon>\n";
  const std::string second =
      "<Polygon><outerBoundaryIs><LinearRing><coordinates>5,5,5 6,6,6 5,5,5</coordinates>"
      "</LinearRing></outerBoundaryIs></Polygon>\n";
  EXPECT_EQ(ReadAll(polygon + second, TKind::kPolygon),
            "([0,0,0][1,0,0][1,1,0][0,0,0])([5,5,5][6,6,6][5,5,5])");
}

TEST(KmlReader, TagNamesAreCaseSensitiveAndWhole) {
  EXPECT_EQ(ReadAll("<point><coordinates>1,2,3</coordinates></point>", TKind::kPoint), "");
  EXPECT_EQ(ReadAll("<PointX><coordinates>1,2,3</coordinates></PointX>", TKind::kPoint), "");
  EXPECT_EQ(ReadAll("<Points><coordinates>1,2,3</coordinates></Points>", TKind::kPoint), "");
  EXPECT_EQ(ReadAll("</Point><LineStringStyle>", TKind::kPath), "");
}

// Number text that is not a number in full keeps its longest numeric prefix; none gives 0.
TEST(KmlReader, MalformedNumbersKeepTheirNumericPrefix) {
  EXPECT_EQ(ReadAll(Point("3,4,5ddd"), TKind::kPoint), "([3,4,5])");
  EXPECT_EQ(ReadAll(Point("xxx,20,200"), TKind::kPoint), "([0,20,200])");
  EXPECT_EQ(ReadAll(Point("+3,+4,+5"), TKind::kPoint), "([3,4,5])");
  EXPECT_EQ(ReadAll(Point("1,2,7.76166643845E-1"), TKind::kPoint), "([1,2,0.776166643845])");
  EXPECT_EQ(ReadAll(Point("nan,inf,-"), TKind::kPoint), "([0,0,0])");
  EXPECT_EQ(ReadAll(Point("1e400,-1e400,1e-400"), TKind::kPoint), "([inf,-inf,0])");
}

TEST(KmlReader, ATruncatedFileDoesNotYieldItsLastGeometry) {
  EXPECT_EQ(ReadAll(Line("1,2,3") + "<LineString><coordinates>4,5,6 7,8", TKind::kPath),
            "([1,2,3])");
  EXPECT_EQ(ReadAll(Point("1,2,3") + "<Point><coordinates>4,5,6", TKind::kPoint), "([1,2,3])");
  EXPECT_EQ(ReadAll("<Point><coordin", TKind::kPoint), "");
  EXPECT_EQ(ReadAll("<Point id=\"unterminated", TKind::kPoint), "");
}

// A tuple longer than the Window (a number of hundreds of digits) is read whole; only coordinate
// text of 64 KiB without a delimiter ends the list, and with it the search.
TEST(KmlReader, ReadsTuplesLongerThanTheWindowUpToALimit) {
  const std::string digits(400, '7');
  EXPECT_EQ(ReadAll(Line("1,2,3 " + digits + ",1,1 4,5,6") + Line("8,8,8"), TKind::kPath),
            "([1,2,3][inf,1,1][4,5,6])([8,8,8])");
  EXPECT_EQ(ReadAll(Line("1,2,3\n" + digits + "\n,1,1\n4,5,6") + Line("8,8,8"), TKind::kPath),
            "([1,2,3][inf,0,0][0,1,1][4,5,6])([8,8,8])");
  EXPECT_EQ(ReadAll(Point("0." + std::string(500, '0') + "1,2,3"), TKind::kPoint), "([0,2,3])");
  const std::string endless(100000, '7');
  EXPECT_EQ(ReadAll(Line("1,2,3 " + endless + " 4,5,6") + Line("8,8,8"), TKind::kPath), "");
}

TEST(KmlReader, AFileWithoutGeometryGivesNothing) {
  for (const std::string& text : std::vector<std::string>{
           "", "\n", "\r\n\r\n", "<kml></kml>", std::string(5000, 'x'), std::string("\0\0\0", 3)}) {
    EXPECT_EQ(ReadAll(text, TKind::kPoint), "");
    EXPECT_EQ(ReadAll(text, TKind::kPath), "");
    EXPECT_EQ(ReadAll(text, TKind::kPolygon), "");
  }
}

// The block size of the underlying reads, and where CR LF pairs fall between blocks, must not
// change what is found: the reader sees the same text however it arrives.
TEST(KmlReader, ResultsDoNotDependOnHowTheInputArrives) {
  std::string big_line;
  for (int i = 0; i < 300; ++i) big_line += Point(std::to_string(i) + ",1.5,2") + "  ";
  const std::vector<std::string> texts = {
      Line("1,2,3 4,5,6") + Point("7,8,9"),
      "<Point>\r\n\r\n<coordinates>\r\n\t1,2,3\r\n</coordinates></Point>\r\n",
      "<LineString>\r\n<coordinates>\r\n1,2,3\r\n4,5,6\r\n\r7,8,9\r</coordinates>\r",
      "<Polygon id='a'>\n<LinearRing>\n<coordinates>1,2 3,4 5,6</coordinates>\n",
      big_line,
  };
  for (const std::string& text : texts) {
    for (TKind kind : {TKind::kPoint, TKind::kPath, TKind::kPolygon}) {
      const std::string whole = ReadAll(text, kind);
      for (size_t piece : std::vector<size_t>{1, 2, 3, 5, 17, 999, 1000, 1001}) {
        ASSERT_EQ(ReadAll(text, kind, piece), whole) << "piece " << piece << " of\n" << text;
      }
    }
  }
}

TEST(KmlReader, OpenReportsTheFileAndTheCause) {
  TKMLReader reader;
  try {
    reader.Open("/nonexistent-folder/route.kml");
    FAIL() << "no exception";
  } catch (const TIoError& error) {
    EXPECT_STREQ(error.what(),
                 "Cannot open input file \"/nonexistent-folder/route.kml\": No such file or "
                 "directory");
  }
}

}  // namespace
}  // namespace trelvo
