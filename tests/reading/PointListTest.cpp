#include <gtest/gtest.h>

#include <stdexcept>

#include "reading/ULShortXYZ.h"

namespace trelvo {
namespace {

TEST(PointList, KeepsPointsInInsertionOrderWithOneBasedIndices) {
  TXYZList list;
  list.Add(1.5, -2.25, 0);
  list.Add(3, 4, 5);
  ASSERT_EQ(list.Count(), 2);
  EXPECT_EQ(list.Get(1).X, 1.5);
  EXPECT_EQ(list.Get(1).Y, -2.25);
  EXPECT_EQ(list.Get(1).Z, 0.0);
  EXPECT_EQ(list.Get(2).X, 3.0);
  EXPECT_EQ(list.Get(2).Z, 5.0);
}

TEST(PointList, ClearEmptiesAndTheListIsReusable) {
  TXYZList list;
  list.Clear();  // a no-op on an empty list
  EXPECT_EQ(list.Count(), 0);
  for (int i = 0; i < 1000; ++i) list.Add(i, i, i);
  list.Clear();
  EXPECT_EQ(list.Count(), 0);
  list.Add(7, 8, 9);
  ASSERT_EQ(list.Count(), 1);
  EXPECT_EQ(list.Get(1).X, 7.0);
}

// An index outside 1..Count must never hand out a dangling reference.
TEST(PointList, GetOutsideTheRangeThrows) {
  TXYZList list;
  EXPECT_THROW(list.Get(1), std::out_of_range);
  list.Add(1, 2, 3);
  EXPECT_THROW(list.Get(0), std::out_of_range);
  EXPECT_THROW(list.Get(2), std::out_of_range);
  EXPECT_THROW(list.Get(-1), std::out_of_range);
  list.Clear();
  EXPECT_THROW(list.Get(1), std::out_of_range);
}

}  // namespace
}  // namespace trelvo
