// Arbitrary bytes read from memory as a zip archive and as gzip data, thousands of inputs a
// second: every length and offset they declare is checked against the bytes there, so reading
// ends in text or in an input error, never out of bounds, in a hang or in unbounded memory.
#include <cstdint>
#include <memory>
#include <string>

#include "platform/IoError.h"
#include "reading/ArchiveSource.h"
#include "reading/RandomAccess.h"

namespace {

void ReadToTheEnd(trelvo::TByteSource& source) {
  static char block[1 << 16];
  while (source.Read(block, sizeof(block)) > 0) {
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  try {
    trelvo::TZipSource zip(std::make_unique<trelvo::TRandomAccessMemory>(bytes), "fuzz.kmz");
    ReadToTheEnd(zip);
  } catch (const trelvo::TIoError&) {
  }
  try {
    trelvo::TGzipSource gzip(std::make_unique<trelvo::TMemorySource>(bytes), "fuzz.kml.gz");
    ReadToTheEnd(gzip);
  } catch (const trelvo::TIoError&) {
  }
  return 0;
}
