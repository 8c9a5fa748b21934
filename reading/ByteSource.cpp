#include "reading/ByteSource.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <string_view>
#include <system_error>

#include "platform/IoError.h"
#include "platform/Platform.h"

namespace trelvo {

namespace {
const char kOpenInput[] = "Cannot open input file";
const char kReadInput[] = "Cannot read input file";
}  // namespace

TFileSource::TFileSource(const std::string& file_name) : m_file_name(file_name) {
  std::error_code ec;
  const std::filesystem::path path = PathFromUtf8(file_name);
  // A folder opens for reading on some platforms and only fails at the first read.
  if (std::filesystem::is_directory(path, ec)) {
    throw TIoError::FromErrno(kOpenInput, file_name, EISDIR);
  }
  errno = 0;
  if (file_name == kStandardStream) {
    m_file = BinaryStream(stdin);
    m_owned = false;
  } else {
    m_file = OpenFile(file_name, "rb");
    if (m_file == nullptr) throw TIoError::FromErrno(kOpenInput, file_name, errno);
    m_regular = std::filesystem::is_regular_file(path, ec);
    const auto size = std::filesystem::file_size(path, ec);
    m_size = ec ? 0 : static_cast<uint64_t>(size);
  }
  errno = 0;
  m_head_size = std::fread(m_head, 1, sizeof(m_head), m_file);
  const int error = errno;
  const char* const encoding = UnsupportedEncoding({m_head, m_head_size});
  if (std::ferror(m_file) || encoding != nullptr) {
    if (m_owned) std::fclose(m_file);
    m_file = nullptr;
    if (encoding != nullptr) throw TIoError(kOpenInput, file_name, encoding);
    throw TIoError::FromErrno(kReadInput, file_name, error != 0 ? error : EIO);
  }
}

TFileSource::~TFileSource() {
  if (m_file != nullptr && m_owned) std::fclose(m_file);
}

size_t TFileSource::Read(char* buffer, size_t capacity) {
  if (m_head_size > 0 && capacity > 0) {
    const size_t count = std::min(m_head_size, capacity);
    std::memcpy(buffer, m_head, count);
    std::memmove(m_head, m_head + count, m_head_size - count);
    m_head_size -= count;
    m_consumed += count;
    return count;
  }
  errno = 0;
  const size_t count = std::fread(buffer, 1, capacity, m_file);
  if (count < capacity && std::ferror(m_file)) {
    const int error = errno;
    throw TIoError::FromErrno(kReadInput, m_file_name, error != 0 ? error : EIO);
  }
  m_consumed += count;
  return count;
}

const char* UnsupportedEncoding(std::string_view head) {
  const auto nul = [&](size_t at) { return at < head.size() && head[at] == '\0'; };
  // A byte-order mark; or, without one, the NUL bytes that ASCII characters such as the '<'
  // text starts with have beside them.
  if (head.starts_with(std::string_view("\xFF\xFE\0\0", 4)) ||
      head.starts_with(std::string_view("\0\0\xFE\xFF", 4)) ||
      (head.size() == 4 && !nul(0) && nul(1) && nul(2) && nul(3)) ||
      (head.size() == 4 && nul(0) && nul(1) && nul(2) && !nul(3))) {
    return "UTF-32 text is not supported; save it as UTF-8";
  }
  if (head.starts_with("\xFF\xFE") || head.starts_with("\xFE\xFF") ||
      (head.size() >= 4 && !nul(0) && nul(1) && !nul(2) && nul(3)) ||
      (head.size() >= 4 && nul(0) && !nul(1) && nul(2) && !nul(3))) {
    return "UTF-16 text is not supported; save it as UTF-8";
  }
  return nullptr;
}

size_t TMemorySource::Read(char* buffer, size_t capacity) {
  const size_t count = std::min({capacity, m_piece, m_text.size() - m_position});
  std::memcpy(buffer, m_text.data() + m_position, count);
  m_position += count;
  return count;
}

}  // namespace trelvo
