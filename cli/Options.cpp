#include "cli/Options.h"

#include <stdexcept>

#include "transform/FileNames.h"

namespace trelvo::cli {
namespace {

TEntityType ParseType(const std::string& value) {
  if (value == "point") return TEntityType::kPoint;
  if (value == "path") return TEntityType::kPath;
  if (value == "polygon") return TEntityType::kPolygon;
  throw std::invalid_argument("bad --type value '" + value + "' (point, path or polygon)");
}

char ParseFormat(const std::string& value) {
  if (value == "csv") return ',';
  if (value == "txt") return ' ';
  if (value == "tab") return '\t';
  throw std::invalid_argument("bad --format value '" + value + "' (csv, txt or tab)");
}

}  // namespace

TOptions ParseOptions(const std::vector<std::string>& arguments) {
  TOptions options;
  std::string output;
  bool have_input = false;
  bool only_operands = false;
  for (size_t i = 0; i < arguments.size(); ++i) {
    std::string argument = arguments[i];
    std::string value;
    bool has_inline_value = false;
    if (!only_operands && argument.rfind("--", 0) == 0 && argument.size() > 2) {
      const size_t equals = argument.find('=');
      if (equals != std::string::npos) {
        value = argument.substr(equals + 1);
        argument.resize(equals);
        has_inline_value = true;
      }
    }
    const auto take_value = [&]() -> std::string {
      if (has_inline_value) return value;
      if (i + 1 >= arguments.size())
        throw std::invalid_argument("option " + argument + " needs a value");
      return arguments[++i];
    };
    if (only_operands || argument == "-" || argument.empty() || argument[0] != '-') {
      if (have_input) throw std::invalid_argument("more than one input file: '" + argument + "'");
      options.settings.InputFileName = argument;
      have_input = true;
    } else if (argument == "--") {
      only_operands = true;
    } else if (argument == "--help" || argument == "-h") {
      options.action = TOptions::TAction::kHelp;
      return options;
    } else if (argument == "--version") {
      options.action = TOptions::TAction::kVersion;
      return options;
    } else if (argument == "--type" || argument == "-t") {
      options.settings.EntityType = ParseType(take_value());
    } else if (argument == "--format" || argument == "-f") {
      options.settings.Separator = ParseFormat(take_value());
    } else if (argument == "--output" || argument == "-o") {
      output = take_value();
      if (output.empty()) throw std::invalid_argument("empty output file name");
    } else {
      throw std::invalid_argument("unknown option '" + argument + "'");
    }
  }
  if (!have_input || options.settings.InputFileName.empty()) {
    throw std::invalid_argument("missing input file");
  }
  options.settings.OutputFileName =
      output.empty() ? ChangeFileExt(options.settings.InputFileName,
                                     "." + std::string(FormatExtension(options.settings.Separator)))
                     : output;
  return options;
}

}  // namespace trelvo::cli
