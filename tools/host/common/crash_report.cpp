#include "crash_report.h"

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

  std::size_t length() const { return used_; }

 private:
  void put(char c) {
    if (used_ < size_) buffer_[used_++] = c;
  }

  char* buffer_;
  std::size_t size_;
  std::size_t used_ = 0;
};

}  // namespace

CallSite& callSite() {
  static CallSite site;
  return site;
}

std::size_t formatCrashReport(const CallSite& site, const char* what, char* buffer,
                              std::size_t size) {
  Text text(buffer, size);
  const char* call = site.call;
  text.add("cablog-host: the module crashed (").add(what).add(") ");
  if (call != nullptr) {
    text.add("in ").add(call);
  } else {
    text.add("outside any call into it");
  }
  text.add(", frame ")
      .add(static_cast<std::int64_t>(site.frame))
      .add(" at ")
      .add(static_cast<double>(site.timeMs) / 1000, 3)
      .add(" s, location ")
      .add(static_cast<double>(site.location), 1)
      .add(" m\n")
      .add(
          "cablog-host: no Dispose was called; a log holds only what reached the disk before the "
          "crash (Flush counts wall-clock seconds: drive with --realtime to crash as late in the "
          "log as in a real drive)\n");
  return text.length();
}

}  // namespace host
