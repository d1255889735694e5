#include "logging/value_table.h"

#include "logging/number_text.h"

namespace cablog {

void ValueTable::store(ValueKey key, std::string_view text, bool lineFeed) {
  Slot& s = slot(key);
  s.text.assign(text);
  s.present = true;
  s.lineFeed = lineFeed;
}

void ValueTable::setInt(ValueKey key, std::int32_t value) {
  char text[kNumberTextCapacity];
  store(key, std::string_view(text, formatInt(value, text)));
}

void ValueTable::setDouble(ValueKey key, double value) {
  char text[kNumberTextCapacity];
  store(key, std::string_view(text, formatNumber(value, text)));
}

void ValueTable::setBool(ValueKey key, bool value) {
  store(key, value ? "true" : "false");
}

void ValueTable::setText(ValueKey key, std::string_view text) {
  store(key, text, text.find('\n') != std::string_view::npos);
}

void ValueTable::setInt(std::string_view key, std::int32_t value) {
  char text[kNumberTextCapacity];
  setText(key, std::string_view(text, formatInt(value, text)));
}

void ValueTable::setFloat(std::string_view key, float value) {
  setDouble(key, static_cast<double>(value));
}

void ValueTable::setDouble(std::string_view key, double value) {
  char text[kNumberTextCapacity];
  setText(key, std::string_view(text, formatNumber(value, text)));
}

void ValueTable::setBool(std::string_view key, bool value) {
  setText(key, value ? "true" : "false");
}

void ValueTable::setText(std::string_view key, std::string_view text) {
  if (const auto known = knownKey(key)) {
    setText(*known, text);
    return;
  }
  const auto it = others_.find(key);
  if (it != others_.end()) {
    it->second.assign(text);
  } else {
    others_.emplace(std::string(key), std::string(text));
  }
}

std::optional<std::string_view> ValueTable::find(std::string_view key) const {
  if (const auto known = knownKey(key)) return find(*known);
  const auto it = others_.find(key);
  if (it == others_.end()) return std::nullopt;
  return std::string_view(it->second);
}

}  // namespace cablog
