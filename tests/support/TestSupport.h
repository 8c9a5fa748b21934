// Helpers shared by the tests: scratch folders, file bytes, reading a text into a compact
// string, and comparisons that fail fast on large texts.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "reading/KmlReader.h"
#include "reading/PlacemarkReader.h"
#include "transform/Transformation.h"

namespace trelvo::test {

// A fresh folder for one test, removed with everything in it afterwards.
class TTempDir {
 public:
  TTempDir();
  ~TTempDir();
  TTempDir(const TTempDir&) = delete;
  TTempDir& operator=(const TTempDir&) = delete;

  // Path of `name` inside the folder.
  std::string Path(const std::string& name) const;

  // Names of the entries in the folder, sorted.
  std::vector<std::string> Entries() const;

 private:
  std::filesystem::path m_path;
};

#ifndef _WIN32
// A pipe made at `path` and read slowly on a thread of its own, as a slow output is: a run
// writing to it is held back.
class TSlowPipe {
 public:
  explicit TSlowPipe(const std::string& path);
  ~TSlowPipe();
  TSlowPipe(const TSlowPipe&) = delete;
  TSlowPipe& operator=(const TSlowPipe&) = delete;

  // What was written to the pipe, once its writer has closed it.
  std::string Text();

 private:
  std::string m_path;
  std::string m_text;
  std::thread m_reader;
};
#endif

// A progress window that shows nothing, for runs without a display.
class TNoProgressWindow : public TProgressWindow {
 public:
  void Show() override {}

  void SetCounterText(std::string_view) override {}

  void RepaintCounter() override {}

  void RepaintWindow() override {}
};

// Every entity the reader finds in `text`, delivered in pieces of `piece` bytes, as
// "([x,y,z][x,y,z])([x,y,z])" with numbers in their shortest round-trip form.
std::string ReadAll(const std::string& text, TEntityType type, size_t piece = SIZE_MAX);

// The entities read from `text` in `form` with their rows as the writer writes them:
// "(x,y,z\n...)" per entity.
std::string ReadRows(const std::string& text, TEntityType type, TCoordinateForm form,
                     size_t piece = SIZE_MAX);

// Every Placemark the Placemark reader finds in `text`, delivered in pieces of `piece` bytes,
// compactly: "#id name|description|style|folder|when|begin|end {data} [kind geometry.ring:
// x y z@time ...]" per line.
std::string ReadPlacemarks(const std::string& text, size_t piece,
                           TPlacemarkReader::TSelection selection = {true, true, true, true});

// The whole content of a file, and writing one.
std::string ReadFileBytes(const std::string& path);
void WriteFileBytes(const std::string& path, const std::string& bytes);

// Empty when the texts are equal; otherwise where they first differ, as
// "line 12: \"...\" != \"...\"". Never prints megabytes.
std::string FirstDifference(const std::string& actual, const std::string& expected);

// One argument quoted for the platform's command line (no test argument holds a double quote).
std::string Quote(const std::string& text);

// Runs `command` (a program and its arguments, each quoted with Quote) with standard
// input from the file `input` (none when empty) and standard output and error into the files
// `output` and `error`: its exit code, or -1. On Windows without cmd.exe, whose quoting rules
// Wine does not always follow.
int RunCommand(const std::string& command, const std::string& input, const std::string& output,
               const std::string& error);

// Converts `input` into `output`: the entity count, or -1 with the error text in *error.
int64_t Convert(const std::string& input, const std::string& output, TEntityType type,
                char separator = ',', std::string* error = nullptr);

}  // namespace trelvo::test
