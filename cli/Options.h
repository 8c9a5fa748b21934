// Command-line options of trelvo-cli.
#pragma once

#include <string>
#include <vector>

#include "transform/Transformation.h"

namespace trelvo::cli {

inline constexpr char kUsage[] =
    "usage: trelvo-cli [--type point|path|polygon] [--format csv|txt|tab] [-o OUTPUT] INPUT";

// What the command line asks for.
struct TOptions {
  enum class TAction {
    kConvert,  // convert `settings`
    kHelp,     // print the help text
    kVersion,  // print the version
  };
  TAction action = TAction::kConvert;
  TRunSettings settings;
};

// Parses the arguments after the program name. Throws std::invalid_argument with a short
// message for an unknown option, a bad value or a missing input. The output defaults to the
// input with its extension replaced by the format's.
TOptions ParseOptions(const std::vector<std::string>& arguments);

}  // namespace trelvo::cli
