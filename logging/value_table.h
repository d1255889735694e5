// Current value of every key, as the text that will appear in the log.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "logging/value_key.h"

namespace cablog {

// Only the plug-in writes values, and only under its own keys: each has a
// fixed slot, so storing and finding never search or allocate. A column
// naming any other key stays empty.
class ValueTable {
 public:
  void setInt(ValueKey key, std::int32_t value);
  void setFloat(ValueKey key, float value) { setDouble(key, static_cast<double>(value)); }
  void setDouble(ValueKey key, double value);
  void setBool(ValueKey key, bool value);
  // For texts the plug-in makes itself, which never hold a line feed.
  void setText(ValueKey key, std::string_view text);

  // Room for a text of `size` bytes, for a key whose text may outgrow the
  // string's inline storage, so that storing it later never allocates.
  void reserve(ValueKey key, std::size_t size) {
    slots_[static_cast<std::size_t>(key)].text.reserve(size);
  }

  // Empties the slot again; its text keeps its storage.
  void forget(ValueKey key) { slots_[static_cast<std::size_t>(key)].present = false; }

  std::optional<std::string_view> find(ValueKey key) const {
    const Slot& slot = slots_[static_cast<std::size_t>(key)];
    if (!slot.present) return std::nullopt;
    return std::string_view(slot.text);
  }

 private:
  struct Slot {
    bool present = false;
    // Every number, flag and clock text fits the string's inline storage,
    // and the events text its reserved room, so replacing a value never
    // allocates.
    std::string text;
  };

  std::array<Slot, kValueKeyCount> slots_;
};

}  // namespace cablog
