#include "reading/ULShortXYZ.h"

#include <stdexcept>
#include <string>

namespace trelvo {

const TXYZPoint& TXYZList::Get(int32_t index) const {
  if (index < 1 || index > Count()) {
    throw std::out_of_range("TXYZList::Get: index " + std::to_string(index) + " outside 1.." +
                            std::to_string(Count()));
  }
  return m_points[static_cast<size_t>(index - 1)];
}

}  // namespace trelvo
