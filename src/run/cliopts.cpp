#include "run/cliopts.h"

namespace talvek {

CmdLine CMDLIN(const std::vector<std::string>& args) {
  CmdLine c;
  bool optionsEnd = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (optionsEnd || a.size() < 2 || a[0] != '-') {
      c.names.push_back(a);
      continue;
    }
    if (a == "--") {
      optionsEnd = true;
    } else if (a == "--help" || a == "-h") {
      c.help = true;
    } else if (a == "--version") {
      c.version = true;
    } else if (a == "--quiet") {
      c.opts.QUIET = true;
    } else if (a == "--progress") {
      c.opts.PROGRESS = true;
    } else if (a == "--csv") {
      c.opts.CSV = true;
    } else if (a == "--check") {
      c.opts.CHECK = true;
    } else if (a == "--summary") {
      c.opts.SUMMARY = true;
    } else if (a == "--output-dir" || a.rfind("--output-dir=", 0) == 0) {
      std::string dir;
      if (a == "--output-dir") {
        if (i + 1 >= args.size()) {
          c.error = "option '--output-dir' needs a folder name";
          return c;
        }
        dir = args[++i];
      } else {
        dir = a.substr(13);
      }
      if (dir.empty()) {
        c.error = "option '--output-dir' needs a folder name";
        return c;
      }
      c.opts.OUTDIR = dir;
    } else if (a.rfind("--", 0) == 0) {
      c.error = "unknown option '" + a + "'";
      return c;
    } else {
      c.names.push_back(a);  // a name that starts with one dash
    }
  }
  return c;
}

}  // namespace talvek
