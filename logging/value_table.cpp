#include "logging/value_table.h"

#include "logging/number_text.h"

namespace cablog {

void ValueTable::setInt(ValueKey key, std::int32_t value) {
  char text[kNumberTextCapacity];
  setText(key, std::string_view(text, formatInt(value, text)));
}

void ValueTable::setDouble(ValueKey key, double value) {
  char text[kNumberTextCapacity];
  setText(key, std::string_view(text, formatNumber(value, text)));
}

void ValueTable::setBool(ValueKey key, bool value) {
  setText(key, value ? "true" : "false");
}

void ValueTable::setText(ValueKey key, std::string_view text) {
  Slot& slot = slots_[static_cast<std::size_t>(key)];
  slot.text.assign(text);
  slot.present = true;
}

}  // namespace cablog
