// The reader fed one byte at a time against the same reader fed the whole text: how the input
// arrives must never change what is found.
#include "tests/fuzz/FuzzInput.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text = trelvo::fuzz::Text(data, size);
  for (const trelvo::TEntityType type : trelvo::fuzz::kTypes) {
    if (trelvo::test::ReadAll(text, type, 1) != trelvo::test::ReadAll(text, type)) {
      __builtin_trap();
    }
  }
  return 0;
}
