// File-name rules shared by the main window and the command line.
#pragma once

#include <string>
#include <string_view>

namespace trelvo {

// Replaces the extension of `path` by `extension` (which includes its '.'). The extension is
// the part from the last '.' that follows the last '\', '/' or ':'; a path without one gets
// `extension` appended. Works on Windows and POSIX spellings alike.
std::string ChangeFileExt(std::string_view path, std::string_view extension);

// The output name beside the input `path`: ChangeFileExt, after dropping a compression suffix
// ".gz" (any case), so that track.kml.gz gives track.csv as track.kml does.
std::string OutputNameFor(std::string_view path, std::string_view extension);

// "csv", "txt" or "tab" for the separators ',', ' ' and '\t'.
std::string_view FormatExtension(char separator);

}  // namespace trelvo
