#include "reading/ArchiveSource.h"

#include <zlib.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <exception>
#include <filesystem>
#include <optional>
#include <string_view>
#include <system_error>
#include <thread>

#include "platform/Platform.h"
#include "reading/IoError.h"
#include "reading/ThreadSignal.h"

namespace trelvo {
namespace {

const char kReadInput[] = "Cannot read input file";
// Compressed bytes handed to zlib at a time.
constexpr size_t kChunk = size_t{1} << 16;
// A central directory larger than this is no archive a KML exporter writes.
constexpr uint64_t kMaxDirectory = uint64_t{64} << 20;

uint64_t Little(const char* bytes, int count) {
  uint64_t value = 0;
  for (int i = count - 1; i >= 0; --i) value = value << 8 | static_cast<unsigned char>(bytes[i]);
  return value;
}

bool EndsWithKml(const std::string& name) {
  if (name.size() < 4) return false;
  std::string end = name.substr(name.size() - 4);
  for (char& c : end) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  return end == ".kml";
}

}  // namespace

namespace {

// Runs a source on a thread of its own, a few blocks ahead of the reader, so that reading the
// file (copying it out of the system's cache, or inflating it) overlaps with reading the KML.
// Bytes, errors and their order are those of the source.
class TPrefetchSource : public TByteSource {
 public:
  explicit TPrefetchSource(std::unique_ptr<TByteSource> source)
      : m_source(std::move(source)), m_size(m_source->Size()) {
    for (TBlock& block : m_blocks) block.data.resize(kBlockSize);
    m_thread = std::thread([this] { Run(); });
  }

  ~TPrefetchSource() override {
    m_stop.store(true);
    m_signal.Wake();
    m_thread.join();
  }

  TPrefetchSource(const TPrefetchSource&) = delete;
  TPrefetchSource& operator=(const TPrefetchSource&) = delete;

  size_t Read(char* buffer, size_t capacity) override {
    const uint64_t taken = m_taken.load(std::memory_order_relaxed);
    m_signal.Await([&] { return m_filled.load() > taken; });
    const TBlock& block = m_blocks[taken % kBlocks];
    m_consumed.store(block.consumed, std::memory_order_relaxed);
    // The end, or the source's error, stays: every later call sees it again.
    if (block.error) std::rethrow_exception(block.error);
    if (block.size == 0) return 0;
    m_starts_document = m_position == 0 && block.starts_document;
    const size_t count = std::min(capacity, block.size - m_position);
    std::memcpy(buffer, block.data.data() + m_position, count);
    m_position += count;
    if (m_position == block.size) {
      m_position = 0;
      m_taken.store(taken + 1);  // hand the block back
      m_signal.Wake();
    }
    return count;
  }

  uint64_t Size() const override { return m_size; }

  uint64_t Consumed() const override { return m_consumed.load(std::memory_order_relaxed); }

  bool StartsDocument() const override { return m_starts_document; }

 private:
  struct TBlock {
    std::vector<char> data;
    size_t size = 0;  // 0 for the end, or with `error`
    std::exception_ptr error;
    uint64_t consumed = 0;  // the source's Consumed() after this block
    bool starts_document = false;
  };

  void Run() {
    for (uint64_t filled = 0;;) {
      // Not on the critical path: sleep at once rather than take a core from the others.
      m_signal.Await([&] { return filled - m_taken.load() < kBlocks || m_stop.load(); },
                     std::chrono::microseconds(0));
      if (m_stop.load()) return;
      TBlock& block = m_blocks[filled % kBlocks];
      try {
        block.size = m_source->Read(block.data.data(), block.data.size());
      } catch (...) {
        block.size = 0;
        block.error = std::current_exception();
      }
      block.consumed = m_source->Consumed();
      block.starts_document = block.size > 0 && m_source->StartsDocument();
      m_filled.store(++filled);
      m_signal.Wake();
      if (block.size == 0) return;
    }
  }

  // 1 MB ahead in all, as much as the reader takes at a time; a block is large enough to make
  // hand-offs rare (other block sizes were not measured here).
  static constexpr size_t kBlockSize = size_t{1} << 18;
  static constexpr size_t kBlocks = 4;
  std::unique_ptr<TByteSource> m_source;
  const uint64_t m_size;
  std::array<TBlock, kBlocks> m_blocks;
  // Blocks filled and blocks handed back: those between them are the reader's, the others
  // the thread's. Each counter has one writer, and a cache line of its own.
  alignas(64) std::atomic<uint64_t> m_filled{0};
  alignas(64) std::atomic<uint64_t> m_taken{0};
  alignas(64) std::atomic<uint64_t> m_consumed{0};
  size_t m_position = 0;  // in the block being read
  bool m_starts_document = false;
  std::atomic<bool> m_stop{false};
  TThreadSignal m_signal;
  std::thread m_thread;
};

}  // namespace

// zlib's inflate over an input buffer of its own. `window_bits` as for inflateInit2: -15 raw
// deflate (zip), 47 gzip or zlib headers.
class TInflater {
 public:
  explicit TInflater(int window_bits) : m_input(kChunk) {
    if (inflateInit2(&m_stream, window_bits) != Z_OK) throw std::bad_alloc();
  }

  ~TInflater() { inflateEnd(&m_stream); }

  TInflater(const TInflater&) = delete;
  TInflater& operator=(const TInflater&) = delete;

  bool NeedsInput() const { return m_stream.avail_in == 0; }

  // Where the next compressed bytes go, and how many were put there.
  char* InputSpace() { return m_input.data(); }

  void Fed(size_t count) {
    m_stream.next_in = reinterpret_cast<Bytef*>(m_input.data());
    m_stream.avail_in = static_cast<uInt>(count);
  }

  // Inflates into `out`; sets `*made`. Z_OK, Z_STREAM_END, Z_BUF_ERROR (no progress possible
  // without input) or an error code.
  int Run(char* out, size_t capacity, size_t* made) {
    m_stream.next_out = reinterpret_cast<Bytef*>(out);
    m_stream.avail_out = static_cast<uInt>(std::min(capacity, size_t{1} << 30));
    const int status = inflate(&m_stream, Z_NO_FLUSH);
    *made = static_cast<size_t>(reinterpret_cast<char*>(m_stream.next_out) - out);
    return status;
  }

  void Reset() { inflateReset(&m_stream); }

  // Passes over zero bytes of the input: the padding that dd and tape tools leave after the
  // last member, which gzip -d accepts.
  void SkipZeros() {
    while (m_stream.avail_in > 0 && *m_stream.next_in == 0) {
      ++m_stream.next_in;
      --m_stream.avail_in;
    }
  }

 private:
  z_stream m_stream{};
  std::vector<char> m_input;
};

namespace {

// A source whose first bytes are read at once, to tell what it holds, and handed out first.
class TPeekedSource : public TByteSource {
 public:
  explicit TPeekedSource(std::unique_ptr<TByteSource> source) : m_source(std::move(source)) {
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

  uint64_t Size() const override { return m_source->Size(); }

  uint64_t Consumed() const override { return m_source->Consumed(); }

  bool StartsDocument() const override {
    return m_handed_out == m_head_size && m_source->StartsDocument();
  }

 private:
  std::unique_ptr<TByteSource> m_source;
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

std::unique_ptr<TByteSource> OpenInputFile(const std::string& file_name) {
  auto file = std::make_unique<TFileSource>(file_name);
  const std::string head(file->Head());
  const auto read_ahead = [](std::unique_ptr<TByteSource> source) {
    return std::make_unique<TPrefetchSource>(std::move(source));
  };
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
    return read_ahead(
        std::make_unique<TZipSource>(std::make_unique<TRandomAccessFile>(file_name), file_name));
  }
  if (IsCompressed(head)) {
    return read_ahead(Unwrapped(std::make_unique<TPeekedSource>(std::move(file)), file_name, 0));
  }
  // A regular file (never a pipe or a terminal, whose reads may wait for ever) is read ahead
  // too: the reading thread then spends its time on the KML, not on copying the file in.
  if (file->Size() > 0) return read_ahead(std::move(file));
  return file;
}

TGzipSource::TGzipSource(std::unique_ptr<TByteSource> compressed, std::string file_name)
    : m_compressed(std::move(compressed)),
      m_file_name(std::move(file_name)),
      m_inflater(std::make_unique<TInflater>(47)) {}

TGzipSource::~TGzipSource() = default;

size_t TGzipSource::Read(char* buffer, size_t capacity) {
  for (;;) {
    if (m_inflater->NeedsInput()) {
      const size_t count = m_compressed->Read(m_inflater->InputSpace(), kChunk);
      if (count == 0) {
        if (m_in_member)
          throw TIoError(kReadInput, m_file_name, "the compressed data is truncated");
        return 0;
      }
      m_inflater->Fed(count);
    }
    if (!m_in_member && m_members > 0) {
      m_inflater->SkipZeros();
      if (m_inflater->NeedsInput()) continue;
    }
    m_in_member = true;
    size_t made = 0;
    const int status = m_inflater->Run(buffer, capacity, &made);
    if (status == Z_STREAM_END) {
      m_inflater->Reset();  // a further member may follow
      m_in_member = false;
      ++m_members;
    } else if (status != Z_OK && status != Z_BUF_ERROR) {
      throw TIoError(kReadInput, m_file_name, "the compressed data is corrupt");
    }
    if (made > 0) return made;
  }
}

TZipSource::TZipSource(std::unique_ptr<TRandomAccessSource> archive, std::string file_name)
    : m_archive(std::move(archive)), m_file_name(std::move(file_name)), m_size(m_archive->Size()) {
  ReadDirectory();
}

TZipSource::~TZipSource() = default;

void TZipSource::Fail(const std::string& cause) const {
  throw TIoError(kReadInput, m_file_name, cause);
}

// The `count` bytes at `offset`, or the error `cause` when the archive does not hold them.
std::vector<char> TZipSource::ReadAt(uint64_t offset, uint64_t count, const char* cause) {
  if (offset > m_size || count > m_size - offset) Fail(cause);
  std::vector<char> bytes(count);
  if (!m_archive->ReadAt(offset, bytes.data(), bytes.size())) Fail(cause);
  return bytes;
}

std::optional<uint64_t> FindZipEndRecord(TRandomAccessSource& archive) {
  // It is in the last 64 KiB + 22 bytes, its comment last; a comment may itself hold the
  // signature, so the record taken is the last one whose comment ends with the file (unzip's
  // choice), else the last one whose comment fits in it.
  const uint64_t size = archive.Size();
  const uint64_t tail_size = std::min<uint64_t>(size, 65557);
  std::vector<char> tail(tail_size);
  if (!archive.ReadAt(size - tail_size, tail.data(), tail.size())) return std::nullopt;
  std::optional<uint64_t> fitting;
  for (size_t i = tail.size() >= 22 ? tail.size() - 22 + 1 : 0; i-- > 0;) {
    if (std::memcmp(tail.data() + i, "PK\x05\x06", 4) != 0) continue;
    const uint64_t comment_end = i + 22 + Little(tail.data() + i + 20, 2);
    if (comment_end == tail.size()) return size - tail_size + i;
    if (comment_end < tail.size() && !fitting) fitting = size - tail_size + i;
  }
  return fitting;
}

void TZipSource::ReadDirectory() {
  const char kCorrupt[] = "the archive's directory is corrupt";
  const std::optional<uint64_t> end_record = FindZipEndRecord(*m_archive);
  if (!end_record) Fail("the archive has no central directory (truncated?)");
  const uint64_t record_offset = *end_record;
  const std::vector<char> record = ReadAt(record_offset, 22, kCorrupt);
  uint64_t count = Little(record.data() + 10, 2);
  uint64_t directory_size = Little(record.data() + 12, 4);
  uint64_t directory = Little(record.data() + 16, 4);
  uint64_t directory_end = record_offset;  // where the directory ends when the offsets hold
  if ((count == 0xFFFF || directory_size == 0xFFFFFFFF || directory == 0xFFFFFFFF) &&
      record_offset >= 20) {
    const std::vector<char> locator = ReadAt(record_offset - 20, 20, kCorrupt);
    if (std::memcmp(locator.data(), "PK\x06\x07", 4) == 0) {
      const char kZip64Corrupt[] = "the ZIP64 directory is corrupt";
      const uint64_t zip64_offset = Little(locator.data() + 8, 8);
      const std::vector<char> zip64 = ReadAt(zip64_offset, 56, kZip64Corrupt);
      if (std::memcmp(zip64.data(), "PK\x06\x06", 4) != 0) Fail(kZip64Corrupt);
      count = Little(zip64.data() + 32, 8);
      directory_size = Little(zip64.data() + 40, 8);
      directory = Little(zip64.data() + 48, 8);
      directory_end = zip64_offset;
    }
  }
  if (directory_size > kMaxDirectory || directory_size > directory_end) Fail(kCorrupt);
  // A self-extracting archive whose offsets were not adjusted for its stub: the directory
  // stands just before the end record, not where it is declared (as unzip reads it).
  const uint64_t found = directory_end - directory_size;
  char signature[4] = {};
  if (found > directory && !(m_archive->ReadAt(directory, signature, 4) &&
                             std::memcmp(signature, "PK\x01\x02", 4) == 0)) {
    m_shift = found - directory;
  }
  const std::vector<char> bytes = ReadAt(directory + m_shift, directory_size, kCorrupt);
  size_t at = 0;
  for (uint64_t i = 0; i < count; ++i) {
    if (bytes.size() - at < 46 || std::memcmp(bytes.data() + at, "PK\x01\x02", 4) != 0) {
      Fail(kCorrupt);
    }
    const char* header = bytes.data() + at;
    const size_t size = 46 + Little(header + 28, 2) + Little(header + 30, 2) +
                        Little(header + 32, 2);  // with its name, extra field and comment
    if (size > bytes.size() - at) Fail(kCorrupt);
    ReadEntry(header);
    at += size;
  }
  if (m_entries.empty()) Fail("the archive holds no KML document");
}

// One central-directory entry, its name, extra field and comment checked to be there.
void TZipSource::ReadEntry(const char* header) {
  const char kCorrupt[] = "the archive's directory is corrupt";
  const size_t name_size = Little(header + 28, 2);
  const size_t extra_size = Little(header + 30, 2);
  TEntry entry;
  entry.name.assign(header + 46, name_size);
  const auto flags = static_cast<uint16_t>(Little(header + 8, 2));
  entry.method = static_cast<uint16_t>(Little(header + 10, 2));
  entry.crc = static_cast<uint32_t>(Little(header + 16, 4));
  entry.compressed = Little(header + 20, 4);
  entry.size = Little(header + 24, 4);
  entry.offset = Little(header + 42, 4);
  // Extra fields: an id and a length each, which must fit in the extra field.
  const char* extra = header + 46 + name_size;
  for (size_t x = 0; extra_size - x >= 4;) {
    const char* field = extra + x;
    const size_t field_size = Little(field + 2, 2);
    if (field_size > extra_size - x - 4) Fail(kCorrupt);
    if (Little(field, 2) == 1) {
      // ZIP64: the 64-bit values of the fields set to 0xFFFFFFFF, in this order.
      size_t value = 0;
      for (uint64_t* target : {&entry.size, &entry.compressed, &entry.offset}) {
        if (*target != 0xFFFFFFFF) continue;
        if (field_size - value < 8) Fail(kCorrupt);
        *target = Little(field + 4 + value, 8);
        value += 8;
      }
    }
    x += 4 + field_size;
  }
  if (!EndsWithKml(entry.name)) return;  // images, styles, nested archives
  if (flags & 1) Fail("\"" + entry.name + "\" is encrypted");
  if (entry.method != 0 && entry.method != 8) {
    Fail("\"" + entry.name + "\" uses compression method " + std::to_string(entry.method) +
         ", which is not supported");
  }
  m_entries.push_back(entry);
}

void TZipSource::StartEntry() {
  const TEntry& entry = m_entries[m_next++];
  const std::string truncated = "\"" + entry.name + "\" is truncated";
  if (entry.offset > UINT64_MAX - m_shift) Fail(truncated);
  const uint64_t offset = entry.offset + m_shift;
  const std::vector<char> header = ReadAt(offset, 30, "the archive's directory is corrupt");
  if (std::memcmp(header.data(), "PK\x03\x04", 4) != 0) Fail("the archive's directory is corrupt");
  // Its name and extra field (every Info-ZIP archive has one) stand between it and the data.
  const uint64_t data = offset + 30 + Little(header.data() + 26, 2) + Little(header.data() + 28, 2);
  if (data > m_size || entry.compressed > m_size - data) Fail(truncated);
  m_in_entry = true;
  m_position = data;
  m_left = entry.compressed;
  m_produced = 0;
  m_crc = static_cast<uint32_t>(crc32(0, nullptr, 0));
  m_inflater = entry.method == 8 ? std::make_unique<TInflater>(-15) : nullptr;
}

// Reads up to `capacity` bytes of the current entry's data.
size_t TZipSource::ReadCompressed(char* buffer, size_t capacity) {
  const size_t count = std::min<uint64_t>(capacity, m_left);
  if (count == 0) return 0;
  if (!m_archive->ReadAt(m_position, buffer, count)) {
    Fail("\"" + m_entries[m_next - 1].name + "\" is truncated");
  }
  m_position += count;
  m_left -= count;
  m_consumed += count;
  return count;
}

void TZipSource::FinishEntry() {
  const TEntry& entry = m_entries[m_next - 1];
  if (m_produced != entry.size) Fail("\"" + entry.name + "\" is truncated or corrupt");
  if (m_crc != entry.crc) Fail("\"" + entry.name + "\" is corrupt (CRC mismatch)");
  m_in_entry = false;
}

size_t TZipSource::Read(char* buffer, size_t capacity) {
  for (;;) {
    if (!m_in_entry) {
      if (m_next == m_entries.size()) return 0;
      StartEntry();
      // A line break between documents, so the last line of one never runs into the next.
      if (m_next > 1 && capacity > 0) {
        *buffer = '\n';
        m_starts_document = true;
        return 1;
      }
    }
    m_starts_document = false;
    const TEntry& entry = m_entries[m_next - 1];
    size_t made = 0;
    bool ended = false;
    if (m_inflater == nullptr) {
      made = ReadCompressed(buffer, capacity);
      ended = m_left == 0;
    } else {
      if (m_inflater->NeedsInput())
        m_inflater->Fed(ReadCompressed(m_inflater->InputSpace(), kChunk));
      const int status = m_inflater->Run(buffer, capacity, &made);
      ended = status == Z_STREAM_END;
      if (status != Z_OK && status != Z_STREAM_END && !(status == Z_BUF_ERROR && m_left > 0)) {
        Fail("\"" + entry.name + "\" is truncated or corrupt");
      }
    }
    if (m_produced == 0 && made > 0) {
      const char* encoding = UnsupportedEncoding({buffer, std::min<size_t>(made, 4)});
      if (encoding != nullptr) Fail("\"" + entry.name + "\": " + encoding);
    }
    m_produced += made;
    // A zip bomb declares a small size and inflates without end: stop at the declared size.
    if (m_produced > entry.size) Fail("\"" + entry.name + "\" inflates past its declared size");
    m_crc = static_cast<uint32_t>(
        crc32(m_crc, reinterpret_cast<const Bytef*>(buffer), static_cast<uInt>(made)));
    if (ended) FinishEntry();
    if (made > 0) return made;
  }
}

}  // namespace trelvo
