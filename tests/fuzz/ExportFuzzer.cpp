// Arbitrary bytes through the whole run, file to file, in all three types: it ends, writes
// the header, and leaves no temporary file behind.
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "reading/IoError.h"
#include "tests/fuzz/FuzzInput.h"
#include "transform/Transformation.h"

namespace {

// A folder of this process's own, removed when the fuzzer exits.
class TFuzzFolder {
 public:
  TFuzzFolder()
      : m_path(std::filesystem::temp_directory_path() /
               ("trelvo-fuzz-" + std::to_string(std::random_device{}()))) {
    std::filesystem::create_directories(m_path);
  }

  ~TFuzzFolder() {
    std::error_code ec;
    std::filesystem::remove_all(m_path, ec);
  }

  const std::filesystem::path& Path() const { return m_path; }

 private:
  std::filesystem::path m_path;
};

const std::filesystem::path& Folder() {
  static const TFuzzFolder folder;
  return folder.Path();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text = trelvo::fuzz::Text(data, size);
  const std::string input = (Folder() / "in.kml").string();
  {
    std::ofstream out(input, std::ios::binary | std::ios::trunc);
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
  }
  for (uint8_t type = 1; type <= 3; ++type) {
    trelvo::TRunSettings settings;
    settings.InputFileName = input;
    settings.OutputFileName = (Folder() / "out.csv").string();
    settings.EntityType = type;
    settings.Separator = ",\t "[type - 1];
    trelvo::test::TNoProgressWindow window;
    int64_t count = 0;
    try {
      count = trelvo::Transform(settings, window);
    } catch (const trelvo::TIoError& error) {
      // The one input error arbitrary bytes can cause: text that starts like UTF-16.
      if (error.Cause() != "UTF-16 text is not supported; save it as UTF-8") __builtin_trap();
      return 0;
    }
    if (count < 0 || static_cast<size_t>(count) > trelvo::fuzz::MaxEntities(text)) {
      __builtin_trap();
    }
    std::ifstream written(settings.OutputFileName, std::ios::binary);
    std::string head(8, '\0');
    written.read(head.data(), 8);
    if (head != "Trelvo\r\n") __builtin_trap();
  }
  size_t entries = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(Folder()))
    ++entries;
  if (entries != 2) __builtin_trap();  // in.kml and out.csv, no temporary file
  return 0;
}
