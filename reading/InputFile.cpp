#include "reading/InputFile.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string_view>
#include <system_error>
#include <vector>

#include "platform/IoError.h"
#include "platform/Platform.h"
#include "reading/ArchiveSource.h"
#include "reading/RandomAccess.h"
#include "reading/ReadAhead.h"

namespace trelvo {
namespace {

const char kReadInput[] = "Cannot read input file";

}  // namespace

namespace {

// A source whose first bytes are read at once, to tell what it holds, and handed out first.
class TPeekedSource : public TSourceStage {
 public:
  explicit TPeekedSource(std::unique_ptr<TByteSource> source) : TSourceStage(std::move(source)) {
    while (m_head_size < sizeof(m_head)) {
      const size_t count = m_source->Read(m_head + m_head_size, sizeof(m_head) - m_head_size);
      if (count == 0) break;
      m_head_size += count;
    }
  }

  std::string_view Head() const { return {m_head, m_head_size}; }

  size_t Read(char* buffer, size_t capacity) override {
    if (m_handed_out == m_head_size) return m_source->Read(buffer, capacity);
    const size_t count = std::min(capacity, m_head_size - m_handed_out);
    std::memcpy(buffer, m_head + m_handed_out, count);
    m_handed_out += count;
    return count;
  }

  bool StartsDocument() const override {
    return m_handed_out == m_head_size && m_source->StartsDocument();
  }

 private:
  char m_head[4] = {};
  size_t m_head_size = 0;
  size_t m_handed_out = 0;
};

// The signatures a zip file starts with: a local header, the end record of an empty archive,
// the marker of a split one.
bool IsZip(std::string_view head) {
  return head == "PK\x03\x04" || head == "PK\x05\x06" || head == "PK\x07\x08";
}

// gzip, or a zlib header (deflate, its two bytes a multiple of 31): zlib inflates both.
bool IsCompressed(std::string_view head) {
  if (head.starts_with("\x1f\x8b")) return true;
  return head.size() >= 2 && head[0] == 0x78 &&
         (0x7800 + static_cast<unsigned char>(head[1])) % 31 == 0;
}

// KML starts with '<', white space or a byte-order mark; anything else may be a program with
// a zip archive after it (a self-extracting archive).
bool MayCarryZip(std::string_view head) {
  return !head.empty() && std::string_view("< \t\r\n\xEF").find(head[0]) == std::string_view::npos;
}

// Compressed data holds compressed data at most this deep.
constexpr int kMaxLayers = 4;

// The whole of `source` in a temporary file, for a zip archive, whose directory is at its end.
std::unique_ptr<TRandomAccessSource> Spill(TByteSource& source, const std::string& file_name) {
  errno = 0;
  std::FILE* file = CreateTemporaryFile();
  if (file == nullptr) {
    throw TIoError(kReadInput, file_name,
                   "no temporary file for the archive it holds: " +
                       std::generic_category().message(errno != 0 ? errno : EIO));
  }
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> owned(file, &std::fclose);
  std::vector<char> block(size_t{1} << 20);
  uint64_t size = 0;
  while (const size_t count = source.Read(block.data(), block.size())) {
    errno = 0;
    if (std::fwrite(block.data(), 1, count, file) != count) {
      throw TIoError(kReadInput, file_name,
                     "no room for the archive it holds in the temporary folder: " +
                         std::generic_category().message(errno != 0 ? errno : EIO));
    }
    size += count;
  }
  std::fflush(file);
  return std::make_unique<TRandomAccessFile>(owned.release(), size);
}

// The text that `source`, `layer` levels of compression into `file_name`, holds: compressed
// data inflated and recognised again, a zip archive read by its directory.
std::unique_ptr<TByteSource> Unwrapped(std::unique_ptr<TPeekedSource> source,
                                       const std::string& file_name, int layer) {
  if (const char* encoding = UnsupportedEncoding(source->Head())) {
    throw TIoError(kReadInput, file_name, encoding);
  }
  if (IsCompressed(source->Head()) && layer < kMaxLayers) {
    auto inflated = std::make_unique<TGzipSource>(std::move(source), file_name);
    return Unwrapped(std::make_unique<TPeekedSource>(std::move(inflated)), file_name, layer + 1);
  }
  if (IsZip(source->Head()))
    return std::make_unique<TZipSource>(Spill(*source, file_name), file_name);
  return source;
}

}  // namespace

std::unique_ptr<TByteSource> OpenInputFile(const std::string& file_name,
                                           const TSourceStages& stages) {
  const auto staged = [&](std::unique_ptr<TByteSource> source) {
    return stages ? stages(std::move(source)) : std::move(source);
  };
  auto file = std::make_unique<TFileSource>(file_name);
  const std::string head(file->Head());
  bool zip = IsZip(head);
  if (!zip && file->IsRegular() && MayCarryZip(head) && !IsCompressed(head)) {
    TRandomAccessFile archive(file_name);
    zip = FindZipEndRecord(archive).has_value();
  }
  if (zip) {
    // The directory is at the end of a zip file: it takes a file that can be read twice.
    if (!file->IsRegular()) {
      throw TIoError(kReadInput, file_name,
                     file_name == kStandardStream
                         ? "a KMZ archive cannot be read from standard input"
                         : "a KMZ archive cannot be read from a pipe; save it as a file first");
    }
    // Inflating keeps the read-ahead thread busy enough: the text's stages stay on the
    // reading thread.
    return staged(ReadAhead(
        std::make_unique<TZipSource>(std::make_unique<TRandomAccessFile>(file_name), file_name)));
  }
  if (IsCompressed(head)) {
    return staged(
        ReadAhead(Unwrapped(std::make_unique<TPeekedSource>(std::move(file)), file_name, 0)));
  }
  // A regular file (never a pipe or a terminal, whose reads may wait for ever) is read ahead
  // too: the reading thread then spends its time on the KML, not on copying the file in.
  if (file->Size() > 0) return ReadAhead(staged(std::move(file)));
  return staged(std::move(file));
}

}  // namespace trelvo
