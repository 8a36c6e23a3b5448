#include "host/CommandLine.h"

#include <charconv>

namespace host {
namespace {

bool ParseInt(const std::string& s, int& out) {
  if (s.empty()) return false;
  const char* end = s.data() + s.size();
  auto [p, ec] = std::from_chars(s.data(), end, out);
  return ec == std::errc() && p == end;
}

}  // namespace

bool ParseScreenSize(const std::string& text, int& width, int& height) {
  const auto x = text.find_first_of("xX");
  if (x == std::string::npos) return false;
  int w = 0, h = 0;
  if (!ParseInt(text.substr(0, x), w) || !ParseInt(text.substr(x + 1), h)) return false;
  if (w < 1 || h < 1 || w > 16384 || h > 16384) return false;
  width = w;
  height = h;
  return true;
}

CommandLineResult ParseCommandLine(const std::vector<std::string>& args) {
  CommandLineResult r;
  HostOptions& o = r.options;
  bool noAddIn = false;
  auto fail = [&r](std::string message) {
    r.ok = false;
    r.error = std::move(message);
    return r;
  };
  for (std::size_t i = 0; i < args.size(); ++i) {
    std::string name = args[i];
    std::string value;
    bool hasValue = false;
    if (const auto eq = name.find('='); name.rfind("--", 0) == 0 && eq != std::string::npos) {
      value = name.substr(eq + 1);
      name = name.substr(0, eq);
      hasValue = true;
    }
    const bool takesValue = name == "--addin" || name == "--project" || name == "--offscreen" ||
                            name == "--script";
    if (takesValue && !hasValue) {
      if (i + 1 >= args.size()) return fail("option " + name + " needs a value");
      value = args[++i];
      hasValue = true;
    }
    if (!takesValue && hasValue) return fail("option " + name + " takes no value");
    if (takesValue && value.empty()) return fail("option " + name + " needs a non-empty value");

    if (name == "--addin") {
      o.addIns.push_back(value);
      o.useDefaultAddIn = false;
    } else if (name == "--no-addin") {
      noAddIn = true;
      o.useDefaultAddIn = false;
    } else if (name == "--project") {
      o.project = value;
    } else if (name == "--offscreen") {
      if (!ParseScreenSize(value, o.screenWidth, o.screenHeight))
        return fail("--offscreen wants WIDTHxHEIGHT (1 to 16384 each), not \"" + value + "\"");
      o.offscreen = true;
    } else if (name == "--script") {
      o.script = value;
    } else if (name == "--help" || name == "-h") {
      o.help = true;
    } else {
      return fail("unknown argument \"" + args[i] + "\"");
    }
  }
  if (noAddIn && !o.addIns.empty()) return fail("--addin and --no-addin exclude each other");
  r.ok = true;
  return r;
}

std::string UsageText() {
  return "usage: ide-host [--addin PATH]... [--no-addin] [--project PATH]\n"
         "                [--offscreen WxH] [--script FILE] [--help]\n"
         "  --addin PATH     load this add-in instead of libedgetucker.so beside ide-host\n"
         "  --no-addin       load no add-in\n"
         "  --project PATH   open this project after start-up\n"
         "  --offscreen WxH  run on a virtual screen of WxH pixels without a display\n"
         "  --script FILE    play a script of commands and exit with its result\n";
}

}  // namespace host
