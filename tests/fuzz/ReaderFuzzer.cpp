// Arbitrary bytes through the reader: no crash, no undefined behaviour, no endless loop.
#include <memory>

#include "tests/fuzz/FuzzInput.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text = trelvo::fuzz::Text(data, size);
  for (const trelvo::TEntityType type : trelvo::fuzz::kTypes) {
    trelvo::TKMLReader reader;
    reader.Open(std::make_unique<trelvo::TMemorySource>(text, trelvo::fuzz::PieceSize(data, size)));
    for (size_t entities = 0; trelvo::test::Next(reader, type);) {
      if (++entities > trelvo::fuzz::MaxEntities(text)) __builtin_trap();
      if (type == trelvo::TEntityType::kPoint && reader.Points().Count() != 1) __builtin_trap();
    }
  }
  return 0;
}
