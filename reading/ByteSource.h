// Where the KML reader gets its bytes from: a file, or memory in tests and fuzzers.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

namespace trelvo {

// A sequential source of bytes. Read is called once per large block, never per byte.
class TByteSource {
 public:
  virtual ~TByteSource() = default;

  // Reads up to `capacity` bytes into `buffer`; returns how many, 0 at the end only.
  // Throws TIoError when the underlying read fails.
  virtual size_t Read(char* buffer, size_t capacity) = 0;

  // Total size in bytes when known, otherwise 0; used for progress only.
  virtual uint64_t Size() const { return 0; }
};

// A file opened for binary reading. The constructor throws TIoError naming the file and the
// cause when it cannot be opened, is a folder, or holds UTF-16 text (whose tags the 8-bit
// reader would silently never find).
class TFileSource : public TByteSource {
 public:
  explicit TFileSource(const std::string& file_name);
  ~TFileSource() override;
  TFileSource(const TFileSource&) = delete;
  TFileSource& operator=(const TFileSource&) = delete;

  size_t Read(char* buffer, size_t capacity) override;

  uint64_t Size() const override { return m_size; }

 private:
  std::string m_file_name;
  std::FILE* m_file = nullptr;
  uint64_t m_size = 0;
  char m_head[4] = {};  // the first bytes, read to recognise UTF-16, handed out first
  size_t m_head_size = 0;
};

// In-memory text, delivered in pieces of at most `piece` bytes so tests can move the block
// boundaries of the reader anywhere.
class TMemorySource : public TByteSource {
 public:
  explicit TMemorySource(std::string text, size_t piece = SIZE_MAX)
      : m_text(std::move(text)), m_piece(piece == 0 ? 1 : piece) {}

  size_t Read(char* buffer, size_t capacity) override;

  uint64_t Size() const override { return m_text.size(); }

 private:
  std::string m_text;
  size_t m_piece;
  size_t m_position = 0;
};

}  // namespace trelvo
