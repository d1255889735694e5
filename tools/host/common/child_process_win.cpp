#include <windows.h>

#include "child_process.h"
#include "platform/wide_text.h"

namespace host {

namespace {

// One argument as the C runtime splits a command line: in quotes, with the
// backslashes before a quote doubled and the quote escaped.
std::string quoted(const std::string& arg) {
  std::string text = "\"";
  std::size_t backslashes = 0;
  for (const char c : arg) {
    if (c == '\\') {
      ++backslashes;
      continue;
    }
    text.append(c == '"' ? 2 * backslashes + 1 : backslashes, '\\');
    backslashes = 0;
    text += c;
  }
  text.append(2 * backslashes, '\\');
  return text + "\"";
}

}  // namespace

std::string thisProgram() {
  wchar_t path[MAX_PATH + 1];
  const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return {};
  return cablog::platform::utf8Of({path, length});
}

int runProcess(const std::vector<std::string>& args, const std::string& outputPath) {
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  HANDLE output =
      CreateFileW(cablog::platform::systemPath(outputPath).c_str(), GENERIC_WRITE, FILE_SHARE_READ,
                  &inherit, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (output == INVALID_HANDLE_VALUE) return -1;
  std::string words;
  for (const std::string& arg : args) words += (words.empty() ? "" : " ") + quoted(arg);
  std::wstring line = cablog::platform::wideOf(words);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  startup.hStdOutput = output;
  startup.hStdError = output;
  PROCESS_INFORMATION process{};
  const BOOL started = CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr,
                                      nullptr, &startup, &process);
  CloseHandle(output);
  if (!started) return -1;
  WaitForSingleObject(process.hProcess, INFINITE);
  DWORD status = 0;
  GetExitCodeProcess(process.hProcess, &status);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return static_cast<int>(status);
}

}  // namespace host
