#include "crash_report.h"

#include <cstdlib>
#include <exception>
#include <string>
#include <typeinfo>
#if defined(__GNUG__)
#include <cxxabi.h>
#endif

namespace host {

namespace {

// Appends to a fixed buffer, dropping what does not fit.
class Text {
 public:
  Text(char* buffer, std::size_t size) : buffer_(buffer), size_(size) {}

  Text& add(const char* text) {
    while (text != nullptr && *text != '\0') put(*text++);
    return *this;
  }

  Text& add(std::int64_t value) {
    char digits[24];
    int n = 0;
    // Counting in negatives reaches the most negative value too.
    std::int64_t rest = value < 0 ? value : -value;
    do {
      digits[n++] = static_cast<char>('0' - rest % 10);
      rest /= 10;
    } while (rest != 0);
    if (value < 0) put('-');
    while (n > 0) put(digits[--n]);
    return *this;
  }

  // Fixed point with `decimals` places, rounded half away from zero.
  Text& add(double value, int decimals) {
    if (!(value == value)) return add("nan");
    if (value > 9e15 || value < -9e15) return add("(out of range)");
    std::int64_t scale = 1;
    for (int i = 0; i < decimals; ++i) scale *= 10;
    const bool negative = value < 0;
    const auto scaled = static_cast<std::int64_t>((negative ? -value : value) * scale + 0.5);
    if (negative && scaled != 0) put('-');
    add(scaled / scale);
    if (decimals > 0) {
      put('.');
      std::int64_t fraction = scaled % scale;
      for (std::int64_t place = scale / 10; place > 0; place /= 10) {
        put(static_cast<char>('0' + fraction / place));
        fraction %= place;
      }
    }
    return *this;
  }

  Text& addHex(std::uintptr_t value) {
    add("0x");
    int shift = 60;
    while (shift > 0 && ((value >> shift) & 0xf) == 0) shift -= 4;
    for (; shift >= 0; shift -= 4) put("0123456789abcdef"[(value >> shift) & 0xf]);
    return *this;
  }

  std::size_t length() const { return used_; }

 private:
  void put(char c) {
    if (used_ < size_) buffer_[used_++] = c;
  }

  char* buffer_;
  std::size_t size_;
  std::size_t used_ = 0;
};

std::atomic<void (*)()> crashHook{nullptr};

const char* baseName(const char* path) {
  const char* base = path;
  for (const char* c = path; *c != '\0'; ++c) {
    if (*c == '/' || *c == '\\') base = c + 1;
  }
  return base;
}

}  // namespace

CallSite& callSite() {
  static CallSite site;
  return site;
}

void setCrashHook(void (*hook)()) {
  crashHook.store(hook);
}

std::size_t formatCrashReport(const CallSite& site, const Fault& fault, char* buffer,
                              std::size_t size) {
  Text text(buffer, size);
  const char* call = site.call.load();
  const bool hung = fault.status == kExitTimedOut;
  text.add(hung ? "cablog-host: the module hung (" : "cablog-host: the module crashed (")
      .add(fault.what)
      .add(") ");
  text.add(call != nullptr ? "in " : "outside any call into it").add(call);
  text.add(", frame ")
      .add(static_cast<std::int64_t>(site.frame.load()))
      .add(" at ")
      .add(static_cast<double>(site.timeMs.load()) / 1000, 3)
      .add(" s, location ")
      .add(site.location.load(), 1)
      .add(" m\n");
  if (const char* module = site.module.load()) text.add("  module:  ").add(module).add("\n");
  const char* holder = nullptr;
  std::uintptr_t offset = 0;
  std::uintptr_t linkedBase = 0;
  if (fault.address != nullptr && moduleOfAddress(fault.address, holder, offset, linkedBase)) {
    text.add("  address: ").add(baseName(holder)).add("+").addHex(offset);
    text.add(" (addr2line -e ").add(holder).add(" ").addHex(linkedBase + offset).add(")\n");
  }
  text.add(
      "cablog-host: no Dispose was called; a log holds only what reached the disk before the "
      "crash (Flush counts wall-clock seconds: drive with --realtime to crash as late in the "
      "log as in a real drive)\n");
  return text.length();
}

void reportFault(const Fault& fault) {
  static char report[2048];
  const std::size_t length = formatCrashReport(callSite(), fault, report, sizeof report);
  writeError(report, length);
  if (void (*hook)() = crashHook.load()) hook();
  endProcessAbruptly(fault.status);
}

void reportEscapedException() {
  std::string what = "C++ exception";
#if defined(__GNUG__)
  if (const std::type_info* type = abi::__cxa_current_exception_type()) {
    int status = 0;
    char* name = abi::__cxa_demangle(type->name(), nullptr, nullptr, &status);
    what += " ";
    what += status == 0 && name != nullptr ? name : type->name();
    std::free(name);
  }
#endif
  try {
    throw;
  } catch (const std::exception& error) {
    what += ": ";
    what += error.what();
  } catch (...) {
  }
  what += " escaped the module";
  reportFault({what.c_str()});
}

}  // namespace host
