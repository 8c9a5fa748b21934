#include "reading/ArchiveSource.h"

#include <zlib.h>

#if defined(TRELVO_HAVE_ISAL)
#include <isa-l/crc.h>
#include <isa-l/igzip_lib.h>
#endif

#include <algorithm>
#include <cstring>
#include <optional>

#include "platform/IoError.h"

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

// zlib's inflate over an input buffer of its own. `window_bits` as for inflateInit2: -15 raw
// deflate (zip), 47 gzip or zlib headers. Where ISA-L is there, raw deflate is its inflate,
// which takes a third of zlib's time (set by zlib, a KMZ was read at about half the speed of
// the same KML); headers and multi-member gzip stay with zlib, which checks every field.
class TInflater {
 public:
  explicit TInflater(int window_bits) : m_input(kChunk) {
#if defined(TRELVO_HAVE_ISAL)
    if (window_bits == -15) {
      m_fast = std::make_unique<inflate_state>();
      isal_inflate_init(m_fast.get());
      m_fast->crc_flag = ISAL_DEFLATE;
      return;
    }
#endif
    if (inflateInit2(&m_stream, window_bits) != Z_OK) throw std::bad_alloc();
  }

  ~TInflater() {
    if (!Fast()) inflateEnd(&m_stream);
  }

  TInflater(const TInflater&) = delete;
  TInflater& operator=(const TInflater&) = delete;

  bool NeedsInput() const {
#if defined(TRELVO_HAVE_ISAL)
    if (Fast()) return m_fast->avail_in == 0;
#endif
    return m_stream.avail_in == 0;
  }

  // Where the next compressed bytes go, and how many were put there.
  char* InputSpace() { return m_input.data(); }

  void Fed(size_t count) {
#if defined(TRELVO_HAVE_ISAL)
    if (Fast()) {
      m_fast->next_in = reinterpret_cast<uint8_t*>(m_input.data());
      m_fast->avail_in = static_cast<uint32_t>(count);
      return;
    }
#endif
    m_stream.next_in = reinterpret_cast<Bytef*>(m_input.data());
    m_stream.avail_in = static_cast<uInt>(count);
  }

  // Inflates into `out`; sets `*made`. Z_OK, Z_STREAM_END, Z_BUF_ERROR (no progress possible
  // without input) or an error code.
  int Run(char* out, size_t capacity, size_t* made) {
    const auto room = static_cast<uint32_t>(std::min(capacity, size_t{1} << 30));
#if defined(TRELVO_HAVE_ISAL)
    if (Fast()) {
      m_fast->next_out = reinterpret_cast<uint8_t*>(out);
      m_fast->avail_out = room;
      const int status = isal_inflate(m_fast.get());
      *made = static_cast<size_t>(reinterpret_cast<char*>(m_fast->next_out) - out);
      if (status < 0) return Z_DATA_ERROR;
      if (m_fast->block_state == ISAL_BLOCK_FINISH) return Z_STREAM_END;
      return *made > 0 ? Z_OK : Z_BUF_ERROR;
    }
#endif
    m_stream.next_out = reinterpret_cast<Bytef*>(out);
    m_stream.avail_out = room;
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
#if defined(TRELVO_HAVE_ISAL)
  bool Fast() const { return m_fast != nullptr; }

  std::unique_ptr<inflate_state> m_fast;
#else
  static bool Fast() { return false; }
#endif
  z_stream m_stream{};
  std::vector<char> m_input;
};

// The CRC-32 of zip and gzip, continued over `size` more bytes.
uint32_t Crc32(uint32_t crc, const char* bytes, size_t size) {
#if defined(TRELVO_HAVE_ISAL)
  return crc32_gzip_refl(crc, reinterpret_cast<const unsigned char*>(bytes), size);
#else
  return static_cast<uint32_t>(
      crc32(crc, reinterpret_cast<const Bytef*>(bytes), static_cast<uInt>(size)));
#endif
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
  m_crc = 0;
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
    m_crc = Crc32(m_crc, buffer, made);
    if (ended) FinishEntry();
    if (made > 0) return made;
  }
}

}  // namespace trelvo
