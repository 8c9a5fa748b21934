// Compressed inputs: KMZ (zip) archives and gzip-compressed KML, streamed through zlib in
// bounded chunks, never inflated whole.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "reading/ByteSource.h"
#include "reading/RandomAccess.h"

namespace trelvo {

class TInflater;

// The text of a gzip-compressed file (concatenated members too, and zero padding after the
// last), or of a zlib stream. Throws TIoError naming the file when the data is corrupt or
// truncated.
class TGzipSource : public TByteSource {
 public:
  TGzipSource(std::unique_ptr<TByteSource> compressed, std::string file_name);
  ~TGzipSource() override;

  size_t Read(char* buffer, size_t capacity) override;

  uint64_t Size() const override { return m_compressed->Size(); }

  uint64_t Consumed() const override { return m_compressed->Consumed(); }

 private:
  std::unique_ptr<TByteSource> m_compressed;
  std::string m_file_name;
  std::unique_ptr<TInflater> m_inflater;
  bool m_in_member = false;  // inside a gzip member: its end has not been seen
  uint64_t m_members = 0;    // members read to their end
};

// The offset of a zip archive's end-of-directory record, if it has one.
std::optional<uint64_t> FindZipEndRecord(TRandomAccessSource& archive);

// Every entry of a zip archive whose name ends in ".kml" (any case), in the order of the
// central directory, as one text with a line break between entries. Reads the central
// directory (so entries written with data descriptors work), ZIP64 records, stored and
// deflated entries, also behind a stub (a self-extracting archive). Each entry's CRC and size
// are checked, and every length and offset the archive declares against the bytes there.
// Throws TIoError naming `file_name` and the cause: no KML entry, encryption, another
// compression method, a CRC mismatch, an entry that inflates past its declared size, truncated
// data, a corrupt directory.
class TZipSource : public TByteSource {
 public:
  TZipSource(std::unique_ptr<TRandomAccessSource> archive, std::string file_name);
  ~TZipSource() override;
  TZipSource(const TZipSource&) = delete;
  TZipSource& operator=(const TZipSource&) = delete;

  size_t Read(char* buffer, size_t capacity) override;

  uint64_t Size() const override { return m_size; }

  uint64_t Consumed() const override { return m_consumed; }

  bool StartsDocument() const override { return m_starts_document; }

 private:
  struct TEntry {
    std::string name;
    uint64_t offset = 0;      // of its local header
    uint64_t compressed = 0;  // bytes of data
    uint64_t size = 0;        // bytes once inflated
    uint32_t crc = 0;
    uint16_t method = 0;  // 0 stored, 8 deflated
  };

  [[noreturn]] void Fail(const std::string& cause) const;
  std::vector<char> ReadAt(uint64_t offset, uint64_t count, const char* cause);
  void ReadDirectory();
  void ReadEntry(const char* header);
  void StartEntry();
  size_t ReadCompressed(char* buffer, size_t capacity);
  void FinishEntry();

  std::unique_ptr<TRandomAccessSource> m_archive;
  std::string m_file_name;
  uint64_t m_size = 0;
  uint64_t m_shift = 0;  // of every declared offset: the bytes of a stub before the archive
  uint64_t m_consumed = 0;
  std::vector<TEntry> m_entries;
  size_t m_next = 0;               // the entry to start next
  bool m_in_entry = false;         // m_entries[m_next - 1] is being read
  uint64_t m_position = 0;         // of its next compressed byte
  uint64_t m_left = 0;             // its compressed bytes not yet read
  uint64_t m_produced = 0;         // its bytes handed out
  uint32_t m_crc = 0;              // of those bytes
  bool m_starts_document = false;  // the last Read gave the line break before an entry
  std::unique_ptr<TInflater> m_inflater;
};

}  // namespace trelvo
