// Arbitrary bytes through the whole run, file to file, in all three types: it ends, writes
// the header, and leaves no temporary file behind. Text that is no KML, and broken KMZ and gzip
// data, end in a conversion or in an input error, never in a crash, a hang or unbounded memory.
#include <fstream>
#include <string>

#include "tests/fuzz/FuzzInput.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const trelvo::test::TTempDir folder;  // removed when the fuzzer exits
  const std::string text = trelvo::fuzz::Text(data, size);
  const std::string input = folder.Path("in.kml");
  trelvo::test::WriteFileBytes(input, text);
  const std::string output = folder.Path("out.csv");
  // Archives, also behind a stub, and gzip or zlib data: their entities come from the text
  // they hold, not from the bytes here.
  const bool compressed = text.rfind("PK", 0) == 0 || text.rfind("\x1f\x8b", 0) == 0 ||
                          text.rfind("x", 0) == 0 || text.find("PK\x05\x06") != std::string::npos;
  for (const trelvo::TEntityType type : trelvo::fuzz::kTypes) {
    std::string error;
    const int64_t count = trelvo::test::Convert(input, output, type, ',', &error);
    // Arbitrary bytes may be no KML, UTF-16, a broken archive: an input error, never one of
    // the output.
    if (count < 0) {
      if (error.rfind("Cannot open input file \"", 0) != 0 &&
          error.rfind("Cannot read input file \"", 0) != 0) {
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
