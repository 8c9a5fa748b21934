#include "tests/support/TestSupport.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <memory>
#include <random>
#include <stdexcept>

#include "platform/Platform.h"
#include "reading/IoError.h"

namespace trelvo::test {
namespace fs = std::filesystem;

TTempDir::TTempDir() {
  std::random_device random;
  m_path = fs::temp_directory_path() /
           ("trelvo-test-" + std::to_string(random()) + std::to_string(random()));
  fs::create_directories(m_path);
}

TTempDir::~TTempDir() {
  std::error_code ec;
  // Tests may take permissions away; give them back so everything can be removed.
  fs::permissions(m_path, fs::perms::owner_all, fs::perm_options::add, ec);
  fs::remove_all(m_path, ec);
}

std::string TTempDir::Path(const std::string& name) const {
  return Utf8FromPath(m_path / PathFromUtf8(name));
}

std::vector<std::string> TTempDir::Entries() const {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(m_path)) {
    names.push_back(Utf8FromPath(entry.path().filename()));
  }
  std::sort(names.begin(), names.end());
  return names;
}

std::string ReadAll(const std::string& text, TEntityType type, size_t piece) {
  TKMLReader reader;
  reader.Open(std::make_unique<TMemorySource>(text, piece));
  std::string out;
  const auto append = [&out](char open, double value) {
    char digits[64];
    out += open;
    out.append(digits, std::to_chars(digits, digits + sizeof(digits), value).ptr);
  };
  // Far more calls than any test text has entities: a reader that never ends is a failure.
  constexpr bool (TKMLReader::*kNext[])() = {&TKMLReader::NextPoint, &TKMLReader::NextLineString,
                                             &TKMLReader::NextPolygon};
  for (int guard = 0; guard < 100000 && (reader.*kNext[static_cast<int>(type) - 1])(); ++guard) {
    out += '(';
    for (int32_t i = 1; i <= reader.Points().Count(); ++i) {
      const TXYZPoint& point = reader.GetPoint(i);
      append('[', point.X);
      append(',', point.Y);
      append(',', point.Z);
      out += ']';
    }
    out += ')';
  }
  return out;
}

std::string ReadFileBytes(const std::string& path) {
  std::FILE* file = OpenFile(path, "rb");
  if (file == nullptr) throw std::runtime_error("cannot read " + path);
  std::string bytes;
  char block[65536];
  size_t count = 0;
  while ((count = std::fread(block, 1, sizeof(block), file)) > 0) bytes.append(block, count);
  std::fclose(file);
  return bytes;
}

void WriteFileBytes(const std::string& path, const std::string& bytes) {
  std::FILE* file = OpenFile(path, "wb");
  if (file == nullptr) throw std::runtime_error("cannot create " + path);
  const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  if (std::fclose(file) != 0 || !written) throw std::runtime_error("cannot write " + path);
}

std::string FirstDifference(const std::string& actual, const std::string& expected) {
  const auto [a, e] = std::mismatch(actual.begin(), actual.end(), expected.begin(), expected.end());
  if (a == actual.end() && e == expected.end()) return {};
  const auto context = [](const std::string& text, std::string::const_iterator at) {
    const auto offset = static_cast<size_t>(at - text.begin());
    return "\"" + text.substr(offset - std::min<size_t>(offset, 20), 60) + "\"";
  };
  return "line " + std::to_string(std::count(actual.begin(), a, '\n') + 1) + ": " +
         context(actual, a) + " != " + context(expected, e);
}

int64_t Convert(const std::string& input, const std::string& output, TEntityType type,
                char separator, std::string* error) {
  const TRunSettings settings{input, output, type, separator};
  TNoProgressWindow window;
  try {
    return Transform(settings, window);
  } catch (const TIoError& failure) {
    if (error != nullptr) *error = failure.what();
    return -1;
  }
}

}  // namespace trelvo::test
