// Current value of every key, as the text that will appear in the log.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "logging/value_key.h"

namespace cablog {

class ValueTable {
 public:
  void setInt(std::string_view key, std::int32_t value);
  void setFloat(std::string_view key, float value);
  void setDouble(std::string_view key, double value);
  void setBool(std::string_view key, bool value);
  void setText(std::string_view key, std::string_view text);

  // The same for the plug-in's own keys, without looking the name up.
  void setInt(ValueKey key, std::int32_t value);
  void setFloat(ValueKey key, float value) { setDouble(key, static_cast<double>(value)); }
  void setDouble(ValueKey key, double value);
  void setBool(ValueKey key, bool value);
  void setText(ValueKey key, std::string_view text);

  std::optional<std::string_view> find(std::string_view key) const;
  std::optional<std::string_view> find(ValueKey key) const {
    const Slot& slot = slots_[static_cast<std::size_t>(key)];
    if (!slot.present) return std::nullopt;
    return std::string_view(slot.text);
  }

  // A value as a row copies it: numbers never hold a line feed, so only a
  // text stored by setText makes the log search for one to expand.
  struct Cell {
    std::string_view text;
    bool lineFeed;
  };
  std::optional<Cell> cell(ValueKey key) const {
    const Slot& slot = slots_[static_cast<std::size_t>(key)];
    if (!slot.present) return std::nullopt;
    return Cell{slot.text, slot.lineFeed};
  }

 private:
  struct Slot {
    bool present = false;
    bool lineFeed = false;
    // Every number, flag and clock text fits the string's inline storage, so
    // replacing a value never allocates.
    std::string text;
  };
  Slot& slot(ValueKey key) { return slots_[static_cast<std::size_t>(key)]; }
  void store(ValueKey key, std::string_view text, bool lineFeed = false);

  std::array<Slot, kValueKeyCount> slots_;
  std::map<std::string, std::string, std::less<>> others_;
};

}  // namespace cablog
