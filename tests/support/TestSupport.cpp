#include "tests/support/TestSupport.h"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <random>
#include <stdexcept>

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include "platform/IoError.h"
#include "platform/Platform.h"
#include "reading/PlacemarkReader.h"
#include "transform/TextExport.h"

namespace trelvo::test {
namespace fs = std::filesystem;

TTempDir::TTempDir() {
  std::random_device random;
  m_path = fs::temp_directory_path() /
           ("trelvo-test-" + std::to_string(random()) + std::to_string(random()));
  fs::create_directories(m_path);
}

TTempDir::~TTempDir() {
  std::error_code ec;
  // Tests may take permissions away; give them back so everything can be removed.
  fs::permissions(m_path, fs::perms::owner_all, fs::perm_options::add, ec);
  for (auto entry = fs::recursive_directory_iterator(m_path, ec);
       !ec && entry != fs::recursive_directory_iterator(); entry.increment(ec)) {
    if (entry->is_directory(ec) && !entry->is_symlink(ec)) {
      fs::permissions(entry->path(), fs::perms::owner_all, fs::perm_options::add, ec);
    }
  }
  fs::remove_all(m_path, ec);
}

std::string TTempDir::Path(const std::string& name) const {
  return Utf8FromPath(m_path / PathFromUtf8(name));
}

std::vector<std::string> TTempDir::Entries() const {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(m_path)) {
    names.push_back(Utf8FromPath(entry.path().filename()));
  }
  std::sort(names.begin(), names.end());
  return names;
}

#ifndef _WIN32
TSlowPipe::TSlowPipe(const std::string& path) : m_path(path) {
  if (mkfifo(path.c_str(), 0600) != 0) throw std::runtime_error("cannot make the pipe " + path);
  m_reader = std::thread([this] {
    std::FILE* pipe = std::fopen(m_path.c_str(), "rb");
    char block[4096];
    while (const size_t count = std::fread(block, 1, sizeof(block), pipe)) {
      m_text.append(block, count);
      std::this_thread::sleep_for(std::chrono::microseconds(100));
    }
    std::fclose(pipe);
  });
}

TSlowPipe::~TSlowPipe() {
  if (!m_reader.joinable()) return;
  // A test that failed before writing: a writer that opens and closes at once ends the read.
  const int writer = open(m_path.c_str(), O_WRONLY | O_NONBLOCK);
  if (writer >= 0) close(writer);
  m_reader.join();
}

std::string TSlowPipe::Text() {
  if (m_reader.joinable()) m_reader.join();
  return m_text;
}
#endif

namespace {

// Calls `vertex(reader, index)` for each vertex of each entity the reader finds in `text`,
// between "(" and ")" per entity.
template <class TVertexOut>
std::string ReadEntities(const std::string& text, TEntityType type, size_t piece,
                         TCoordinateForm form, TVertexOut vertex) {
  TKMLReader reader;
  reader.SetCoordinateForm(form);
  reader.Open(std::make_unique<TMemorySource>(text, piece));
  std::string out;
  // Far more calls than any test text has entities: a reader that never ends is a failure.
  constexpr bool (TKMLReader::*kNext[])() = {&TKMLReader::NextPoint, &TKMLReader::NextLineString,
                                             &TKMLReader::NextPolygon};
  for (int guard = 0; guard < 100000 && (reader.*kNext[static_cast<int>(type) - 1])(); ++guard) {
    out += '(';
    for (int32_t i = 1; i <= reader.Points().Count(); ++i) out += vertex(reader, i);
    out += ')';
  }
  return out;
}

}  // namespace

std::string ReadAll(const std::string& text, TEntityType type, size_t piece) {
  return ReadEntities(
      text, type, piece, TCoordinateForm::kValues, [](const TKMLReader& reader, int32_t i) {
        std::string out;
        const auto append = [&out](char open, double value) {
          char digits[64];
          out += open;
          out.append(digits, std::to_chars(digits, digits + sizeof(digits), value).ptr);
        };
        const TXYZPoint point = reader.GetPoint(i);
        append('[', point.X);
        append(',', point.Y);
        append(',', point.Z);
        return out + ']';
      });
}

std::string ReadRows(const std::string& text, TEntityType type, TCoordinateForm form,
                     size_t piece) {
  return ReadEntities(text, type, piece, form, [form](const TKMLReader& reader, int32_t i) {
    TVertexText vertex;
    if (form == TCoordinateForm::kText) {
      vertex = reader.Points().Texts()[static_cast<size_t>(i - 1)];
    } else {
      const TXYZPoint point = reader.GetPoint(i);
      vertex = {TFixedText::OfValue(point.X), TFixedText::OfValue(point.Y),
                TFixedText::OfValue(point.Z)};
    }
    std::string row;
    AppendRowNumber(row, vertex.X, kXYDecimals);
    row += ',';
    AppendRowNumber(row, vertex.Y, kXYDecimals);
    row += ',';
    AppendRowNumber(row, vertex.Z, kZDecimals, true);
    return row + '\n';
  });
}

std::string ReadPlacemarks(const std::string& text, size_t piece,
                           TPlacemarkReader::TSelection selection) {
  TPlacemarkReader reader(selection);
  reader.Open(std::make_unique<TMemorySource>(text, piece));
  TPlacemark placemark;
  std::string out;
  for (int guard = 0; guard < 1000 && reader.Next(&placemark); ++guard) {
    out += "#" + std::to_string(placemark.id) + " " + placemark.name + "|" + placemark.description +
           "|" + placemark.style + "|" + placemark.folder + "|" + placemark.when + "|" +
           placemark.begin + "|" + placemark.end + " {";
    for (const auto& [name, value] : placemark.data) out += name + "=" + value + ";";
    out += "}";
    for (const TGeometryPart& part : placemark.parts) {
      static const char* const kKinds[] = {"point", "path", "polygon"};
      out += std::string(" [") + kKinds[static_cast<int>(part.kind)] + " " +
             std::to_string(part.geometry) + "." + std::to_string(part.ring) + ":";
      for (size_t v = part.first; v < part.first + part.count; ++v) {
        out += ' ';
        AppendRowNumber(out, placemark.vertices[v].X, kXYDecimals);
        out += ' ';
        AppendRowNumber(out, placemark.vertices[v].Y, kXYDecimals);
        out += ' ';
        AppendRowNumber(out, placemark.vertices[v].Z, kZDecimals, true);
        if (!placemark.TimeOf(v).empty()) out += "@" + std::string(placemark.TimeOf(v));
      }
      out += "]";
    }
    out += "\n";
  }
  if (const int64_t replaced = reader.Decoder().Replaced(); replaced > 0) {
    out += "replaced " + std::to_string(replaced) + "\n";
  }
  return out;
}

std::string ReadFileBytes(const std::string& path) {
  std::FILE* file = OpenFile(path, "rb");
  if (file == nullptr) throw std::runtime_error("cannot read " + path);
  std::string bytes;
  char block[65536];
  size_t count = 0;
  while ((count = std::fread(block, 1, sizeof(block), file)) > 0) bytes.append(block, count);
  std::fclose(file);
  return bytes;
}

void WriteFileBytes(const std::string& path, const std::string& bytes) {
  std::FILE* file = OpenFile(path, "wb");
  if (file == nullptr) throw std::runtime_error("cannot create " + path);
  const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  if (std::fclose(file) != 0 || !written) throw std::runtime_error("cannot write " + path);
}

std::string FirstDifference(const std::string& actual, const std::string& expected) {
  const auto [a, e] = std::mismatch(actual.begin(), actual.end(), expected.begin(), expected.end());
  if (a == actual.end() && e == expected.end()) return {};
  const auto context = [](const std::string& text, std::string::const_iterator at) {
    const auto offset = static_cast<size_t>(at - text.begin());
    return "\"" + text.substr(offset - std::min<size_t>(offset, 20), 60) + "\"";
  };
  return "line " + std::to_string(std::count(actual.begin(), a, '\n') + 1) + ": " +
         context(actual, a) + " != " + context(expected, e);
}

std::string Quote(const std::string& text) {
#ifdef _WIN32
  return "\"" + text + "\"";
#else
  std::string quoted = "'";
  for (const char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
#endif
}

#ifdef _WIN32
int RunCommand(const std::string& command, const std::string& input, const std::string& output,
               const std::string& error) {
  SECURITY_ATTRIBUTES inherited{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  const auto open = [&](const std::string& name, DWORD access, DWORD disposition) {
    return CreateFileW(PathFromUtf8(name).c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE,
                       &inherited, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
  };
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput =
      input.empty() ? GetStdHandle(STD_INPUT_HANDLE) : open(input, GENERIC_READ, OPEN_EXISTING);
  startup.hStdOutput = open(output, GENERIC_WRITE, CREATE_ALWAYS);
  startup.hStdError = open(error, GENERIC_WRITE, CREATE_ALWAYS);
  std::wstring line = PathFromUtf8(command).wstring();
  PROCESS_INFORMATION process{};
  DWORD exit_code = static_cast<DWORD>(-1);
  if (CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                     &process)) {
    WaitForSingleObject(process.hProcess, INFINITE);
    GetExitCodeProcess(process.hProcess, &exit_code);
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
  }
  if (!input.empty()) CloseHandle(startup.hStdInput);
  CloseHandle(startup.hStdOutput);
  CloseHandle(startup.hStdError);
  return static_cast<int>(exit_code);
}
#else
int RunCommand(const std::string& command, const std::string& input, const std::string& output,
               const std::string& error) {
  std::string line = command;
  if (!input.empty()) line += " <" + Quote(input);
  line += " >" + Quote(output) + " 2>" + Quote(error);
  const int status = std::system(line.c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}
#endif

int64_t Convert(const std::string& input, const std::string& output, TEntityType type,
                char separator, std::string* error) {
  const TRunSettings settings{input, output, type, separator};
  TNoProgressWindow window;
  try {
    return Transform(settings, window);
  } catch (const TIoError& failure) {
    if (error != nullptr) *error = failure.what();
    return -1;
  }
}

}  // namespace trelvo::test
