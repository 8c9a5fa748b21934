// Arbitrary bytes as an input file, above all broken KMZ and gzip data: every run ends in a
// conversion or in an input error, never in a crash, a hang or unbounded memory.
#include "tests/fuzz/FuzzInput.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const trelvo::test::TTempDir folder;  // removed when the fuzzer exits
  trelvo::test::WriteFileBytes(folder.Path("in.kmz"), trelvo::fuzz::Text(data, size));
  std::string error;
  const int64_t count = trelvo::test::Convert(folder.Path("in.kmz"), folder.Path("out.csv"),
                                              trelvo::TEntityType::kPath, ',', &error);
  if (count < 0 && error.rfind("Cannot ", 0) != 0) __builtin_trap();
  return 0;
}
