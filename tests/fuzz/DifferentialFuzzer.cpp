// The streaming reader against the literal string model: any difference is a fault of one.
#include <cmath>

#include "tests/fuzz/FuzzInput.h"
#include "tests/support/ReferenceReader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using trelvo::test::TKind;
  const std::string text = trelvo::fuzz::Text(data, size);
  const size_t piece = trelvo::fuzz::PieceSize(data, size);
  for (TKind kind : {TKind::kPoint, TKind::kPath, TKind::kPolygon}) {
    trelvo::TKMLReader real;
    trelvo::test::OpenText(real, text, piece);
    trelvo::test::TReferenceReader model(text);
    for (size_t call = 0;; ++call) {
      const bool real_found = trelvo::test::Next(real, kind);
      const bool model_found = trelvo::test::Next(model, kind);
      if (real_found != model_found) __builtin_trap();
      if (!real_found) break;
      if (call > trelvo::fuzz::MaxEntities(text)) __builtin_trap();
      const trelvo::TXYZList& a = real.Points();
      const trelvo::TXYZList& b = model.Points();
      if (a.Count() != b.Count()) __builtin_trap();
      for (int32_t i = 1; i <= a.Count(); ++i) {
        const trelvo::TXYZPoint& p = a.Get(i);
        const trelvo::TXYZPoint& q = b.Get(i);
        // Bitwise, so -0 and 0 differ (no NaN can arise).
        if (!(p.X == q.X && p.Y == q.Y && p.Z == q.Z) || std::signbit(p.X) != std::signbit(q.X) ||
            std::signbit(p.Y) != std::signbit(q.Y) || std::signbit(p.Z) != std::signbit(q.Z)) {
          __builtin_trap();
        }
      }
    }
  }
  return 0;
}
