#include <windows.h>

#include <shellapi.h>

#include "command_line.h"
#include "platform/wide_text.h"

namespace host {

// The C runtime's argv holds the ANSI code page's version of each word,
// which loses every character outside it.
std::vector<std::string> commandLine(int argc, char** argv) {
  int count = 0;
  wchar_t** words = CommandLineToArgvW(GetCommandLineW(), &count);
  if (words == nullptr) return {argv, argv + argc};
  std::vector<std::string> args;
  for (int i = 0; i < count; ++i) args.push_back(cablog::platform::utf8Of(words[i]));
  LocalFree(words);
  return args;
}

}  // namespace host
