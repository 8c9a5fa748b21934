#include "reading/PointList.h"

#include <stdexcept>
#include <string>

namespace trelvo {

void TXYZList::ThrowOutOfRange(int32_t index) const {
  throw std::out_of_range("TXYZList::Get: index " + std::to_string(index) + " outside 1.." +
                          std::to_string(Count()));
}

}  // namespace trelvo
