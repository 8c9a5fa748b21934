#include "reading/PointList.h"

#include <stdexcept>
#include <string>

#include "reading/NumberText.h"

namespace trelvo {

TXYZPoint TXYZList::Get(int32_t index) const {
  if (index < 1 || index > Count()) ThrowOutOfRange(index);
  const auto i = static_cast<size_t>(index - 1);
  if (m_form == TCoordinateForm::kValues) return m_points[i];
  const TVertexText& vertex = m_texts[i];
  return {FixedTextValue(vertex.X), FixedTextValue(vertex.Y), FixedTextValue(vertex.Z)};
}

void TXYZList::ThrowOutOfRange(int32_t index) const {
  throw std::out_of_range("TXYZList::Get: index " + std::to_string(index) + " outside 1.." +
                          std::to_string(Count()));
}

}  // namespace trelvo
