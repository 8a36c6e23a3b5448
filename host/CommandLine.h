// Command line of the stand-in IDE.
//
//   ide-host [--addin PATH]... [--no-addin] [--project PATH]
//            [--offscreen WxH] [--script FILE] [--help]
//
//   --addin PATH     load this add-in library (may be given more than once)
//                    instead of the default one, libedgetucker.so beside the
//                    executable
//   --no-addin       load no add-in at all
//   --project PATH   open this project after start-up (the file need not exist)
//   --offscreen WxH  run on a virtual screen of W x H pixels, without a display
//   --script FILE    play FILE (see Script.h) and exit with its result
//   --help           print the usage text and exit 0
//
// Both "--opt VALUE" and "--opt=VALUE" are accepted.
#pragma once

#include <string>
#include <vector>

namespace host {

struct HostOptions {
  bool useDefaultAddIn = true;        // false with --addin or --no-addin
  std::vector<std::string> addIns;    // from --addin, in order
  std::string project;                // empty: none
  bool offscreen = false;
  int screenWidth = 0;
  int screenHeight = 0;
  std::string script;                 // empty: interactive
  bool help = false;
};

struct CommandLineResult {
  bool ok = false;
  std::string error;  // one line, set when !ok
  HostOptions options;
};

// Parses the arguments after the program name.  Unknown options, missing
// values, --addin together with --no-addin and malformed sizes are errors.
CommandLineResult ParseCommandLine(const std::vector<std::string>& args);

// Parses "WxH" (each side 1 to 16384).  False leaves width and height alone.
bool ParseScreenSize(const std::string& text, int& width, int& height);

std::string UsageText();

}  // namespace host
