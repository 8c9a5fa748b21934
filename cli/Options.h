// Command-line options of trelvo-cli.
#pragma once

#include <string>
#include <vector>

#include "transform/Transformation.h"

namespace trelvo::cli {

inline constexpr char kUsage[] =
    "usage: trelvo-cli [--type point|path|polygon|all] [--format csv|txt|tab] [-o OUTPUT]\n"
    "                  [--layout classic|table [--fields LIST] [--no-header] [--rings all]\n"
    "                  [--bom]] [--utm[=ZONE] | --t-srs CRS] [--decimals N] INPUT...";

// What the command line asks for.
struct TOptions {
  enum class TAction {
    kConvert,  // convert every one of `runs`, in order
    kHelp,     // print the help text
    kVersion,  // print the version
  };
  TAction action = TAction::kConvert;
  std::vector<TRunSettings> runs;
  std::vector<std::string> warnings;  // for standard error, before the runs
};

// Parses the arguments after the program name. Throws std::invalid_argument with a short
// message for an unknown option, a bad value, a missing input or an output that cannot take
// the inputs, or two inputs whose outputs would be one file. Each output is, by default, its
// input with the format's extension; `-o` names the output of the one input, or a folder that
// receives every output under its input's name. "-" is standard input, whose output is
// standard output unless `-o` names a file. An input named twice is converted once, with a
// warning.
TOptions ParseOptions(const std::vector<std::string>& arguments);

}  // namespace trelvo::cli
