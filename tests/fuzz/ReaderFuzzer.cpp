// Arbitrary bytes through the reader, in blocks of any size: no crash, no undefined behaviour,
// no endless loop, and the very entities the same text gives when it arrives whole; the text
// form's rows are those of the values; the Placemark reader's too finds what it finds whole.
#include <algorithm>

#include "tests/fuzz/FuzzInput.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text = trelvo::fuzz::Text(data, size);
  for (const trelvo::TEntityType type : trelvo::fuzz::kTypes) {
    const std::string found =
        trelvo::test::ReadAll(text, type, trelvo::fuzz::PieceSize(data, size));
    const auto entities = static_cast<size_t>(std::count(found.begin(), found.end(), '('));
    const auto vertices = static_cast<size_t>(std::count(found.begin(), found.end(), '['));
    if (entities > trelvo::fuzz::MaxEntities(text)) __builtin_trap();
    if (type == trelvo::TEntityType::kPoint && vertices != entities) __builtin_trap();
    if (found != trelvo::test::ReadAll(text, type)) __builtin_trap();
    if (trelvo::test::ReadRows(text, type, trelvo::TCoordinateForm::kText,
                               trelvo::fuzz::PieceSize(data, size)) !=
        trelvo::test::ReadRows(text, type, trelvo::TCoordinateForm::kValues)) {
      __builtin_trap();
    }
  }
  if (trelvo::test::ReadPlacemarks(text, trelvo::fuzz::PieceSize(data, size)) !=
      trelvo::test::ReadPlacemarks(text, SIZE_MAX)) {
    __builtin_trap();
  }
  return 0;
}
