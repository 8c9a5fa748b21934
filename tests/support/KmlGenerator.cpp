#include "tests/support/KmlGenerator.h"

#include <random>
#include <vector>

namespace trelvo::test {

std::string RandomKml(uint64_t seed) {
  static const std::vector<std::string> kTokens = {"<Point>",
                                                   "<Point id=\"p\">",
                                                   "<Point/>",
                                                   "<kml:Point>",
                                                   "</Point>",
                                                   "<LineString>",
                                                   "<LineString id='a>b'>",
                                                   "<LineString/>",
                                                   "</LineString>",
                                                   "<Polygon>",
                                                   "<Polygon/>",
                                                   "<outerBoundaryIs>",
                                                   "<LinearRing>",
                                                   "<LinearRing/>",
                                                   "</LinearRing>",
                                                   "<coordinates>",
                                                   "<kml:coordinates>",
                                                   "<coordinates/>",
                                                   "</coordinates>",
                                                   "<!--",
                                                   "-->",
                                                   "<!-- note -->",
                                                   "<![CDATA[",
                                                   "]]>",
                                                   "<PointX>",
                                                   "<point>",
                                                   "<",
                                                   ">",
                                                   "/",
                                                   "\"",
                                                   "'",
                                                   ":",
                                                   ",",
                                                   ",",
                                                   ",",
                                                   " ",
                                                   " ",
                                                   " ",
                                                   "\t",
                                                   "\n",
                                                   "\n",
                                                   "\r\n",
                                                   "\r",
                                                   "1",
                                                   "-122.0842",
                                                   "37.42",
                                                   "+8.5",
                                                   ".5",
                                                   "5.",
                                                   "1e5",
                                                   "1e400",
                                                   "nan",
                                                   "-",
                                                   "e",
                                                   "x",
                                                   "\xc3\xa9",
                                                   std::string(1, '\0')};
  std::mt19937_64 random(seed);
  std::uniform_int_distribution<size_t> pick(0, kTokens.size() - 1);
  std::uniform_int_distribution<int> count(1, 400);
  std::uniform_int_distribution<int> percent(0, 99);
  std::string text;
  const int tokens = count(random);
  for (int i = 0; i < tokens; ++i) {
    const int kind = percent(random);
    if (kind < 3) {
      // A long run without tags or spaces: crosses the 300- and 1000-character chunks.
      text.append(std::uniform_int_distribution<size_t>(200, 1600)(random),
                  "xs \n1,"[percent(random) % 5]);
    } else if (kind < 25) {
      // A tuple, sometimes with two numbers or a trailing comma.
      text += std::to_string(percent(random) - 50) + "," + std::to_string(percent(random));
      if (kind % 3 != 0) text += "," + std::to_string(percent(random));
      if (kind % 7 == 0) text += ",";
      text += " \n\t"[kind % 3];
    } else {
      text += kTokens[pick(random)];
    }
  }
  return text;
}

}  // namespace trelvo::test
