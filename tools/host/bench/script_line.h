// One line of a drive script, split into words, with the readers every kind
// of line shares: each names the file and line when the text is wrong.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "records.h"

namespace host {

std::vector<std::string_view> splitWords(std::string_view line);

class ScriptLine {
 public:
  ScriptLine(const std::string& source, int number) : source_(source), number_(number) {}

  int number() const { return number_; }
  // "file:line" for messages that point back here.
  std::string where() const { return source_ + ":" + std::to_string(number_); }

  [[noreturn]] void fail(const std::string& message) const;

  // Seconds with up to three decimals, read exactly as milliseconds.
  std::int64_t seconds(std::string_view word) const;
  // A whole number from `lowest` to `highest`.
  std::int32_t whole(std::string_view word, std::int32_t lowest, std::int32_t highest,
                     const char* what) const;
  std::int32_t anyWhole(std::string_view word, const char* what) const;
  // A finite decimal number, like 1250 or -3.5.
  double number(std::string_view word, const char* what) const;

  // Fails unless `words` holds `count` words after the first `skip`.
  void expectCount(const std::vector<std::string_view>& words, std::size_t skip, std::size_t count,
                   const char* what) const;

  // A beacon's type, signal, distance and optional value: the four words
  // after the first `skip`, which must be the last.
  BeaconData beacon(const std::vector<std::string_view>& words, std::size_t skip) const;

 private:
  const std::string& source_;
  int number_;
};

}  // namespace host
