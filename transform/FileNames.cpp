#include "transform/FileNames.h"

namespace trelvo {

std::string ChangeFileExt(std::string_view path, std::string_view extension) {
  const size_t separator = path.find_last_of("\\/:");
  const size_t dot = path.find_last_of('.');
  const bool has_extension =
      dot != std::string_view::npos && (separator == std::string_view::npos || dot > separator);
  std::string result(has_extension ? path.substr(0, dot) : path);
  result.append(extension);
  return result;
}

std::string OutputNameFor(std::string_view path, std::string_view extension) {
  const size_t separator = path.find_last_of("\\/:");
  const std::string_view name =
      separator == std::string_view::npos ? path : path.substr(separator + 1);
  if (name.size() > 3) {
    std::string suffix(name.substr(name.size() - 3));
    for (char& c : suffix) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    if (suffix == ".gz") path.remove_suffix(3);
  }
  return ChangeFileExt(path, extension);
}

std::string_view FormatExtension(char separator) {
  switch (separator) {
    case ',':
      return "csv";
    case ' ':
      return "txt";
    default:
      return "tab";
  }
}

}  // namespace trelvo
