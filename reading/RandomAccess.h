// Bytes read at any offset, as a zip archive needs them: its directory is at the end.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

namespace trelvo {

// A file, or memory in tests and fuzzers.
class TRandomAccessSource {
 public:
  virtual ~TRandomAccessSource() = default;

  virtual uint64_t Size() const = 0;

  // Reads the `count` bytes from `offset` into `buffer`; false when they are not all there or
  // the read fails.
  virtual bool ReadAt(uint64_t offset, char* buffer, size_t count) = 0;
};

// A regular file opened for reading. Throws TIoError naming it when it cannot be opened.
class TRandomAccessFile : public TRandomAccessSource {
 public:
  explicit TRandomAccessFile(const std::string& file_name);

  // An open file of `size` bytes, which it closes.
  TRandomAccessFile(std::FILE* file, uint64_t size) : m_file(file), m_size(size) {}

  ~TRandomAccessFile() override;
  TRandomAccessFile(const TRandomAccessFile&) = delete;
  TRandomAccessFile& operator=(const TRandomAccessFile&) = delete;

  uint64_t Size() const override { return m_size; }

  bool ReadAt(uint64_t offset, char* buffer, size_t count) override;

 private:
  std::FILE* m_file = nullptr;
  uint64_t m_size = 0;
  uint64_t m_position = UINT64_MAX;  // of the file, so that reading on needs no seek
};

class TRandomAccessMemory : public TRandomAccessSource {
 public:
  explicit TRandomAccessMemory(std::string bytes) : m_bytes(std::move(bytes)) {}

  uint64_t Size() const override { return m_bytes.size(); }

  bool ReadAt(uint64_t offset, char* buffer, size_t count) override;

 private:
  std::string m_bytes;
};

}  // namespace trelvo
