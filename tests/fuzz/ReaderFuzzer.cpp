// Arbitrary bytes through the reader: no crash, no undefined behaviour, no endless loop.
#include "tests/fuzz/FuzzInput.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using trelvo::test::TKind;
  const std::string text = trelvo::fuzz::Text(data, size);
  const size_t piece = trelvo::fuzz::PieceSize(data, size);
  for (TKind kind : {TKind::kPoint, TKind::kPath, TKind::kPolygon}) {
    trelvo::TKMLReader reader;
    trelvo::test::OpenText(reader, text, piece);
    size_t entities = 0;
    for (;;) {
      const bool found = trelvo::test::Next(reader, kind);
      if (!found) break;
      if (++entities > trelvo::fuzz::MaxEntities(text)) __builtin_trap();
      if (kind == TKind::kPoint && reader.Points().Count() != 1) __builtin_trap();
    }
  }
  return 0;
}
