// Arbitrary bytes through the whole run, file to file, in all three types: it ends, writes
// the header, and leaves no temporary file behind. Broken KMZ and gzip data end in a conversion
// or in an input error, never in a crash, a hang or unbounded memory.
#include <fstream>
#include <string>

#include "tests/fuzz/FuzzInput.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const trelvo::test::TTempDir folder;  // removed when the fuzzer exits
  const std::string text = trelvo::fuzz::Text(data, size);
  const std::string input = folder.Path("in.kml");
  trelvo::test::WriteFileBytes(input, text);
  const std::string output = folder.Path("out.csv");
  const bool compressed = text.rfind("PK\x03\x04", 0) == 0 || text.rfind("\x1f\x8b", 0) == 0;
  for (const trelvo::TEntityType type : trelvo::fuzz::kTypes) {
    std::string error;
    const int64_t count = trelvo::test::Convert(input, output, type, ',', &error);
    // The one input error arbitrary bytes can cause: text that starts like UTF-16.
    if (count < 0) {
      if (compressed ? error.rfind("Cannot ", 0) != 0
                     : error.find("UTF-16 text is not supported") == std::string::npos) {
        __builtin_trap();
      }
      return 0;
    }
    if (!compressed && static_cast<size_t>(count) > trelvo::fuzz::MaxEntities(text))
      __builtin_trap();
    std::ifstream written(output, std::ios::binary);
    std::string head(8, '\0');
    written.read(head.data(), 8);
    if (head != "Trelvo\r\n") __builtin_trap();
  }
  if (folder.Entries().size() != 2) __builtin_trap();  // in.kml and out.csv, no temporary file
  return 0;
}
