// Faults of the plain windowed scanner that silently lose or misplace geometry, each with the
// behaviour that replaces it.
#include <gtest/gtest.h>

#include <string>

#include "tests/support/ReaderHelpers.h"

namespace trelvo {
namespace {

using test::ReadAll;
using test::TKind;

std::string Coordinates(const std::string& inner) {
  return "<coordinates>" + inner + "</coordinates>";
}

std::string Line(const std::string& coordinates) {
  return "<LineString>" + Coordinates(coordinates) + "</LineString>\n";
}

std::string Point(const std::string& coordinates) {
  return "<Point>" + Coordinates(coordinates) + "</Point>\n";
}

// Fault: an empty line read while the Window was empty ended the search (and the run).
TEST(ReaderBlankLines, NeverEndASearchOrACoordinateList) {
  EXPECT_EQ(ReadAll("<Document>\n\n" + Point("1,2,3") + "\n\n\n" + Point("4,5,6"), TKind::kPoint),
            "([1,2,3])([4,5,6])");
  EXPECT_EQ(ReadAll("<Point>\n\n<coordinates>\n\n1,2,3\n\n</coordinates></Point>", TKind::kPoint),
            "([1,2,3])");
  EXPECT_EQ(ReadAll("<LineString><coordinates>1,2,3\n\n\n4,5,6\n</coordinates>", TKind::kPath),
            "([1,2,3][4,5,6])");
  // More blank lines than a Window holds.
  EXPECT_EQ(ReadAll("<LineString><coordinates>1,2,3" + std::string(2000, '\n') + "4,5,6 " +
                        std::string(700, ' ') + "</coordinates>",
                    TKind::kPath),
            "([1,2,3][4,5,6])");
  EXPECT_EQ(ReadAll(std::string(5000, '\n') + Line("7,8,9"), TKind::kPath), "([7,8,9])");
}

// Fault: lines were joined with nothing between them, so tuples on separate lines ran together
// and an indented line's first number began with a tab.
TEST(ReaderLineBreaks, SeparateTuplesLikeSpaces) {
  EXPECT_EQ(ReadAll(Line("\n1,2,3\n4,5,6\n7,8,9\n"), TKind::kPath), "([1,2,3][4,5,6][7,8,9])");
  EXPECT_EQ(ReadAll(Line("\r\n\t\t\t1,2,3\r\n\t\t\t4,5,6\r\n\t\t"), TKind::kPath),
            "([1,2,3][4,5,6])");
  EXPECT_EQ(ReadAll("<Point><coordinates>\n\t\t-1.5,2.5,3.5\n\t</coordinates>", TKind::kPoint),
            "([-1.5,2.5,3.5])");
}

// Fault: only the space character counted as whitespace in coordinate text.
TEST(ReaderWhitespace, TabCrAndLfCountAsSpaces) {
  EXPECT_EQ(ReadAll(Line("1,2,3\t4,5,6"), TKind::kPath), "([1,2,3][4,5,6])");
  EXPECT_EQ(ReadAll(Line("\t 1,2,3 \t\r\n 4,5,6\t"), TKind::kPath), "([1,2,3][4,5,6])");
  EXPECT_EQ(ReadAll(Line("1,\t2,\n3"), TKind::kPath), "([1,2,3])");
  // A lone CR inside a line is whitespace too.
  EXPECT_EQ(ReadAll(Line("1,2,3\r4,5,6"), TKind::kPath), "([1,2,3][4,5,6])");
}

// Fault: the last tuple needed a space before the closing tag, or it was dropped.
TEST(ReaderLastTuple, EndsAtTheClosingTag) {
  EXPECT_EQ(ReadAll(Line("-122.1,37.4,0 -122.2,37.5,10"), TKind::kPath),
            "([-122.1,37.4,0][-122.2,37.5,10])");
  EXPECT_EQ(ReadAll(Line("1,2,3"), TKind::kPath), "([1,2,3])");
  EXPECT_EQ(ReadAll(Line("1,2"), TKind::kPath), "([1,2,0])");
}

// Fault: a point's third number ran on to the next space, swallowing the following points,
// and a point without a space within 300 characters was not read at all.
TEST(ReaderPoints, EndAtTheClosingTagAndConsumeNothingAfterIt) {
  EXPECT_EQ(ReadAll(Point("1,2,3") + Point("4,5,6") + Point("7,8,9"), TKind::kPoint),
            "([1,2,3])([4,5,6])([7,8,9])");
  std::string minified;
  for (int i = 0; i < 50; ++i)
    minified += "<Placemark><Point><coordinates>" + std::to_string(i) +
                ",1,2</coordinates></Point></Placemark>";
  std::string expected;
  for (int i = 0; i < 50; ++i) expected += "([" + std::to_string(i) + ",1,2])";
  EXPECT_EQ(ReadAll(minified, TKind::kPoint), expected);
  EXPECT_EQ(ReadAll(Point("1,2,3") + std::string(600, 'x'), TKind::kPoint), "([1,2,3])");
}

// Fault: the second number ran to the next comma, so lon,lat tuples merged with the next one.
TEST(ReaderTwoNumberTuples, HaveZeroAltitude) {
  EXPECT_EQ(ReadAll(Line("-122.1,37.4 -122.2,37.5 "), TKind::kPath),
            "([-122.1,37.4,0][-122.2,37.5,0])");
  EXPECT_EQ(ReadAll(Point("2,49") + Point("3,50"), TKind::kPoint), "([2,49,0])([3,50,0])");
  EXPECT_EQ(ReadAll(Line("1,2 3,4,5 6,7"), TKind::kPath), "([1,2,0][3,4,5][6,7,0])");
  EXPECT_EQ(ReadAll(Line("1.0, 2.0, 3.0 4.0, 5.0, 6.0"), TKind::kPath), "([1,2,3][4,5,6])");
  EXPECT_EQ(ReadAll(Line("19, 37 19, 41"), TKind::kPath), "([19,37,0][19,41,0])");
  // A lone number is a longitude, as Google Earth reads it.
  EXPECT_EQ(ReadAll(Point("1 2 3"), TKind::kPoint), "([1,0,0])");
}

// Fault: a tag cut by the end of a discarded Window was never recognised.
TEST(ReaderSplitTags, AreFoundAcrossChunkBoundaries) {
  // Pad a single line so that the tag falls on every position around the 1000-character
  // pieces the search reads.
  for (size_t pad = 980; pad <= 1020; ++pad) {
    const std::string text = std::string(pad, 'x') + Point("1,2,3");
    ASSERT_EQ(ReadAll(text, TKind::kPoint), "([1,2,3])") << "pad " << pad;
    const std::string prefixed =
        std::string(pad, 'x') + "<kml:LineString><kml:coordinates>1,2</kml:coordinates>";
    ASSERT_EQ(ReadAll(prefixed, TKind::kPath), "([1,2,0])") << "pad " << pad;
  }
  // Split inside the coordinates tag, after a geometry tag found in an earlier piece.
  for (size_t pad = 1980; pad <= 2010; ++pad) {
    const std::string text = "<LineString>" + std::string(pad, ' ') + Coordinates("5,6,7");
    ASSERT_EQ(ReadAll(text, TKind::kPath), "([5,6,7])") << "pad " << pad;
  }
}

// Fault: an opening tag with attributes was not found.
TEST(ReaderAttributes, AreConsumedWithTheirTag) {
  EXPECT_EQ(ReadAll("<Point id=\"p1\">" + Coordinates("1,2,3") + "</Point>", TKind::kPoint),
            "([1,2,3])");
  EXPECT_EQ(ReadAll("<LineString id=\"a\"\n  extra='b'>" + Coordinates("1,2,3") + "</LineString>",
                    TKind::kPath),
            "([1,2,3])");
  EXPECT_EQ(ReadAll("<Polygon id=\"b\"><outerBoundaryIs><LinearRing id=\"c\">" +
                        Coordinates("1,2,3 4,5,6 1,2,3") + "</LinearRing>",
                    TKind::kPolygon),
            "([1,2,3][4,5,6][1,2,3])");
  // A '>' inside a quoted value does not end the tag.
  EXPECT_EQ(ReadAll("<Point id=\"a>b\" name='<Point>'>" + Coordinates("1,2,3"), TKind::kPoint),
            "([1,2,3])");
  EXPECT_EQ(ReadAll("<Point\tid=\"p\">" + Coordinates("1,2,3") + "<Point\nid=\"q\"\n>" +
                        Coordinates("4,5,6"),
                    TKind::kPoint),
            "([1,2,3])([4,5,6])");
  // Long attributes reach past the Window.
  EXPECT_EQ(ReadAll("<Point id=\"" + std::string(3000, 'i') + "\">" + Coordinates("1,2,3"),
                    TKind::kPoint),
            "([1,2,3])");
}

// Fault: an XML comment between tuples ended the coordinate text at its '<'.
TEST(ReaderComments, InsideCoordinatesCountAsWhitespace) {
  EXPECT_EQ(ReadAll(Line("1,2,3\n<!-- bat: 89% (3473) -->\n4,5,6\n<!-- end -->\n"), TKind::kPath),
            "([1,2,3][4,5,6])");
  EXPECT_EQ(ReadAll(Line("1,2,3<!--a--><!--b-->4,5,6<!-- <coordinates> -->"), TKind::kPath),
            "([1,2,3][4,5,6])");
  EXPECT_EQ(ReadAll(Point("<!-- first -->1,2,3"), TKind::kPoint), "([1,2,3])");
  // Long comments, and comments spanning pieces of a long line.
  EXPECT_EQ(ReadAll(Line("1,2,3 <!--" + std::string(5000, '-') + "x-->4,5,6"), TKind::kPath),
            "([1,2,3][4,5,6])");
  // An unterminated comment is a truncated file.
  EXPECT_EQ(ReadAll("<LineString><coordinates>1,2,3 <!-- no end", TKind::kPath), "");
  // A '<' that opens no comment still ends the text.
  EXPECT_EQ(ReadAll(Line("1,2,3 <![CDATA[4,5,6]]>"), TKind::kPath), "([1,2,3])");
}

// Fault: a self-closing geometry tag was taken for a geometry and given the coordinates of
// the next one.
TEST(ReaderSelfClosingTags, AreNotEntities) {
  EXPECT_EQ(ReadAll("<Point/>" + Point("1,2,3"), TKind::kPoint), "([1,2,3])");
  EXPECT_EQ(ReadAll("<Point id=\"x\"/>\n<Point />\n" + Point("1,2,3"), TKind::kPoint), "([1,2,3])");
  EXPECT_EQ(ReadAll("<LineString id=\"l\"/>" + Line("1,2,3"), TKind::kPath), "([1,2,3])");
  EXPECT_EQ(ReadAll("<Polygon/><Polygon><LinearRing/><LinearRing>" + Coordinates("1,2,3"),
                    TKind::kPolygon),
            "([1,2,3])");
  EXPECT_EQ(ReadAll("<LineString><coordinates/></LineString>" + Line("1,2,3"), TKind::kPath),
            "()([1,2,3])");
  EXPECT_EQ(ReadAll("<Point><coordinates/></Point>" + Point("1,2,3"), TKind::kPoint), "([1,2,3])");
}

// Fault: namespace-prefixed tags were not found.
TEST(ReaderNamespacePrefixes, AreFoundLikeBareNames) {
  EXPECT_EQ(
      ReadAll("<kml:Point><kml:coordinates>2,49,0</kml:coordinates></kml:Point>", TKind::kPoint),
      "([2,49,0])");
  EXPECT_EQ(ReadAll("<k2.x-y_z:LineString id='a'><k2.x-y_z:coordinates>1,2 3,4"
                    "</k2.x-y_z:coordinates>",
                    TKind::kPath),
            "([1,2,0][3,4,0])");
  EXPECT_EQ(ReadAll("<kml:Polygon><kml:outerBoundaryIs><kml:LinearRing><kml:coordinates>1,2,3"
                    "</kml:coordinates>",
                    TKind::kPolygon),
            "([1,2,3])");
  EXPECT_EQ(ReadAll("<kml:point><kml:coordinates>1,2,3</kml:coordinates>", TKind::kPoint), "");
  EXPECT_EQ(ReadAll("<:Point><coordinates>1,2,3</coordinates>", TKind::kPoint), "");
}

// Fault: a comma after the third number made the rest of the text part of that number.
TEST(ReaderCommaJoinedTuples, StartTheNextTupleAtTheComma) {
  EXPECT_EQ(ReadAll(Line("1,2,3,4,5,6"), TKind::kPath), "([1,2,3][4,5,6])");
  EXPECT_EQ(ReadAll(Line("1, 2, 3, 4, 5, 6, 7, 8, 9"), TKind::kPath), "([1,2,3][4,5,6][7,8,9])");
  EXPECT_EQ(ReadAll(Line("1,2,3,\n4,5,6,\n"), TKind::kPath), "([1,2,3][4,5,6])");
}

// Fault: a Point without a tuple ended the run, or borrowed the text that followed it.
TEST(ReaderPointsWithoutATuple, AreSkipped) {
  EXPECT_EQ(ReadAll(Point("") + Point("1,2,3"), TKind::kPoint), "([1,2,3])");
  EXPECT_EQ(ReadAll(Point(" \t\r\n ") + Point("1,2,3"), TKind::kPoint), "([1,2,3])");
  EXPECT_EQ(ReadAll(Point(std::string(700, ' ')) + Point("1,2,3"), TKind::kPoint), "([1,2,3])");
  EXPECT_EQ(ReadAll(Point("") + Line("9,9,9") + Point("1,2,3"), TKind::kPoint), "([1,2,3])");
  EXPECT_EQ(ReadAll(Point("") + Point("") + Point(""), TKind::kPoint), "");
}

}  // namespace
}  // namespace trelvo
