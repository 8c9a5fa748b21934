// Where the KML reader gets its bytes from: a file, or memory in tests and fuzzers.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

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

  // Bytes of the underlying file taken so far (compressed bytes for an archive); for progress.
  virtual uint64_t Consumed() const = 0;

  // True when the bytes of the last Read begin a further document (the next entry of a KMZ):
  // a comment or CDATA section the one before left open ends with it.
  virtual bool StartsDocument() const { return false; }

  // Where a block taken over whole lies in its buffer (see TakeBlock).
  struct TTakenBlock {
    size_t kept_at = 0;  // where the kept bytes now start; the block's bytes follow them
    size_t size = 0;     // the block's bytes, 0 at the end
  };

  // For a source that fills buffers of its own (the read-ahead): instead of copying its next
  // block into the caller's buffer, exchanges that buffer for the block's, so that the input
  // is copied only once on its way in. The `keep` bytes at `keep_from` of *buffer, the text
  // the caller still needs, are copied in front of the block first; at least
  // kTakenBlockTail bytes stay readable after the block. Nothing when this source cannot (or
  // not now): the caller then reads with Read.
  virtual std::optional<TTakenBlock> TakeBlock(std::vector<char>* /*buffer*/, size_t /*keep_from*/,
                                               size_t /*keep*/) {
    return std::nullopt;
  }
};

// The bytes that stay readable after a block taken over whole.
inline constexpr size_t kTakenBlockTail = 128;

// A stage over another source, which it reads from: size, progress and document starts are
// the source's.
class TSourceStage : public TByteSource {
 public:
  explicit TSourceStage(std::unique_ptr<TByteSource> source) : m_source(std::move(source)) {}

  uint64_t Size() const override { return m_source->Size(); }

  uint64_t Consumed() const override { return m_source->Consumed(); }

  bool StartsDocument() const override { return m_source->StartsDocument(); }

 protected:
  std::unique_ptr<TByteSource> m_source;
};

// Why text that starts with `head` (its first four bytes, or fewer) cannot be read: UTF-16 or
// UTF-32, whose tags the 8-bit reader would silently never find. nullptr for any other text.
const char* UnsupportedEncoding(std::string_view head);

// A file opened for binary reading, or standard input for the name "-". The constructor throws
// TIoError naming the file and the cause when it cannot be opened, is a folder, or holds UTF-16
// or UTF-32 text (UnsupportedEncoding).
class TFileSource : public TByteSource {
 public:
  explicit TFileSource(const std::string& file_name);
  ~TFileSource() override;
  TFileSource(const TFileSource&) = delete;
  TFileSource& operator=(const TFileSource&) = delete;

  size_t Read(char* buffer, size_t capacity) override;

  uint64_t Size() const override { return m_size; }

  uint64_t Consumed() const override { return m_consumed; }

  // The first bytes of the file (up to 4), which tell its kind.
  std::string_view Head() const { return {m_head, m_head_size}; }

  // False for standard input, a pipe or a device: what cannot be read twice.
  bool IsRegular() const { return m_regular; }

 private:
  std::string m_file_name;
  uint64_t m_consumed = 0;
  std::FILE* m_file = nullptr;
  bool m_owned = true;  // false for standard input, which stays open
  uint64_t m_size = 0;
  bool m_regular = false;
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

  uint64_t Consumed() const override { return m_position; }

 private:
  std::string m_text;
  size_t m_piece;
  size_t m_position = 0;
};

}  // namespace trelvo
