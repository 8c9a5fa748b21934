#include "reading/ReadAhead.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <exception>
#include <thread>
#include <vector>

#include "concurrency/SpscRing.h"

namespace trelvo {
namespace {

class TReadAhead : public TByteSource {
 public:
  explicit TReadAhead(std::unique_ptr<TByteSource> source)
      : m_source(std::move(source)), m_size(m_source->Size()) {
    for (TBlock& block : m_ring.Slots()) block.data.resize(kBufferSize);
    m_thread = std::thread([this] { Run(); });
  }

  ~TReadAhead() override {
    m_stop.store(true);
    m_ring.Wake();
    m_thread.join();
  }

  TReadAhead(const TReadAhead&) = delete;
  TReadAhead& operator=(const TReadAhead&) = delete;

  size_t Read(char* buffer, size_t capacity) override {
    const TBlock& block = NextBlock();
    if (block.size == 0) return 0;
    m_starts_document = m_position == 0 && block.starts_document;
    const size_t count = std::min(capacity, block.size - m_position);
    std::memcpy(buffer, block.data.data() + kFront + m_position, count);
    m_position += count;
    if (m_position == block.size) {
      m_position = 0;
      m_ring.Release();
    }
    return count;
  }

  std::optional<TTakenBlock> TakeBlock(std::vector<char>* buffer, size_t keep_from,
                                       size_t keep) override {
    // What a Read has begun it finishes; text too long for the room in front is copied.
    if (m_position != 0 || keep > kFront) return std::nullopt;
    TBlock& block = NextBlock();
    if (block.size == 0) return TTakenBlock{};
    m_starts_document = block.starts_document;
    const TTakenBlock taken{kFront - keep, block.size};
    std::memcpy(block.data.data() + taken.kept_at, buffer->data() + keep_from, keep);
    buffer->swap(block.data);
    // The caller's buffer fills the next block instead.
    if (block.data.size() < kBufferSize) block.data.resize(kBufferSize);
    m_ring.Release();
    return taken;
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

  // The block to consume, once the reading thread has published it. The end, or the source's
  // error, stays: every later call sees it again.
  TBlock& NextBlock() {
    m_ring.AwaitPublished([] { return false; });
    TBlock& block = m_ring.Consuming();
    m_consumed.store(block.consumed, std::memory_order_relaxed);
    if (block.error) std::rethrow_exception(block.error);
    return block;
  }

  void Run() {
    for (;;) {
      // Not on the critical path: sleep at once rather than take a core from the others.
      m_ring.AwaitFree([&] { return m_stop.load(); }, std::chrono::microseconds(0));
      if (m_stop.load()) return;
      TBlock& block = m_ring.Producing();
      try {
        block.size = m_source->Read(block.data.data() + kFront, kBlockSize);
      } catch (...) {
        block.size = 0;
        block.error = std::current_exception();
      }
      block.consumed = m_source->Consumed();
      block.starts_document = block.size > 0 && m_source->StartsDocument();
      m_ring.Publish();
      if (block.size == 0) return;
    }
  }

  // 1 MB ahead in all, as much as the reader takes at a time; a block is large enough to make
  // hand-offs rare (other block sizes were not measured here).
  static constexpr size_t kBlockSize = size_t{1} << 18;
  // Each block is read in after room for the text a reader keeps when it takes the block over
  // (TakeBlock), and before the tail that stays readable.
  static constexpr size_t kFront = size_t{1} << 16;
  static constexpr size_t kBufferSize = kFront + kBlockSize + kTakenBlockTail;
  std::unique_ptr<TByteSource> m_source;
  const uint64_t m_size;
  TSpscRing<TBlock, 4> m_ring;
  alignas(64) std::atomic<uint64_t> m_consumed{0};
  size_t m_position = 0;  // in the block being read
  bool m_starts_document = false;
  std::atomic<bool> m_stop{false};
  std::thread m_thread;
};

}  // namespace

std::unique_ptr<TByteSource> ReadAhead(std::unique_ptr<TByteSource> source) {
  return std::make_unique<TReadAhead>(std::move(source));
}

}  // namespace trelvo
