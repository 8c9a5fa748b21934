// Point list: the vertices of the one geometry the KML reader has just extracted.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace trelvo {

// One coordinate triple of a KML tuple: longitude, latitude, altitude.
class TXYZPoint {
 public:
  double X = 0.0;
  double Y = 0.0;
  double Z = 0.0;
};

// Ordered, 1-based list of points. Points are stored by value in one growable array whose
// capacity survives Clear, so refilling the list for each geometry allocates nothing once
// it has reached the size of the largest geometry.
class TXYZList {
 public:
  // Appends a point with the given coordinates.
  void Add(double x, double y, double z) { m_points.push_back(TXYZPoint{x, y, z}); }

  // Number of points.
  int32_t Count() const { return static_cast<int32_t>(m_points.size()); }

  // The point at 1-based `index`; valid until the next Clear or Add.
  // Throws std::out_of_range when index is outside 1..Count.
  const TXYZPoint& Get(int32_t index) const {
    if (index < 1 || index > Count()) ThrowOutOfRange(index);
    return m_points[static_cast<size_t>(index - 1)];
  }

  // All points, in order, for loops that need no range check per point; valid like Get.
  const TXYZPoint* Data() const { return m_points.data(); }

  // Empties the list, keeping its capacity.
  void Clear() { m_points.clear(); }

 private:
  [[noreturn]] void ThrowOutOfRange(int32_t index) const;

  std::vector<TXYZPoint> m_points;
};

}  // namespace trelvo
