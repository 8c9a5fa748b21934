#include "tests/support/ReaderHelpers.h"

#include <charconv>
#include <cstdio>
#include <fstream>
#include <memory>
#include <stdexcept>

namespace trelvo::test {
namespace {

void AppendNumber(std::string& out, double value) { out += FormatShortest(value); }

}  // namespace

std::string FormatShortest(double value) {
  char digits[64];
  const auto result = std::to_chars(digits, digits + sizeof(digits), value);
  return std::string(digits, static_cast<size_t>(result.ptr - digits));
}

void OpenText(TKMLReader& reader, const std::string& text, size_t piece) {
  reader.Open(std::make_unique<TMemorySource>(text, piece));
}

std::string ReadAll(TKMLReader& reader, TKind kind) {
  std::string out;
  // Far more calls than any test text has entities: a reader that never ends is a failure.
  for (int guard = 0; guard < 100000 && Next(reader, kind); ++guard) {
    out += '(';
    for (int32_t i = 1; i <= reader.Points().Count(); ++i) {
      const TXYZPoint& point = reader.GetPoint(i);
      out += '[';
      AppendNumber(out, point.X);
      out += ',';
      AppendNumber(out, point.Y);
      out += ',';
      AppendNumber(out, point.Z);
      out += ']';
    }
    out += ')';
  }
  return out;
}

std::string ReadAll(const std::string& text, TKind kind, size_t piece) {
  TKMLReader reader;
  OpenText(reader, text, piece);
  return ReadAll(reader, kind);
}

std::string ReadFileBytes(const std::string& path) {
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) throw std::runtime_error("cannot read " + path);
  std::string bytes;
  char block[65536];
  size_t count = 0;
  while ((count = std::fread(block, 1, sizeof(block), file)) > 0) bytes.append(block, count);
  std::fclose(file);
  return bytes;
}

void WriteFileBytes(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + path);
}

}  // namespace trelvo::test
