#include "logging/event_list.h"

#include <charconv>
#include <cstring>

namespace cablog {

// Counts the event; true when its name is to be shown, the separator then
// already written.
bool EventList::startName() {
  if (count_++ >= kEventsShown) return false;
  if (size_ > 0) text_[size_++] = ' ';
  return true;
}

void EventList::add(LogEvent event) {
  if (!startName()) return;
  const std::string_view name = kEventNames[static_cast<std::size_t>(event)];
  std::memcpy(text_ + size_, name.data(), name.size());
  size_ += name.size();
}

void EventList::add(LogEvent event, std::int32_t number) {
  if (!startName()) return;
  const std::string_view prefix = kEventNames[static_cast<std::size_t>(event)];
  std::memcpy(text_ + size_, prefix.data(), prefix.size());
  size_ += prefix.size();
  size_ = static_cast<std::size_t>(std::to_chars(text_ + size_, text_ + sizeof text_, number).ptr -
                                   text_);
}

std::string_view EventList::cell() {
  if (count_ <= kEventsShown) return {text_, size_};
  // Written past the names, so that later events still follow them.
  char* end = text_ + size_;
  *end++ = ' ';
  *end++ = '+';
  end = std::to_chars(end, text_ + sizeof text_, count_ - kEventsShown).ptr;
  return {text_, static_cast<std::size_t>(end - text_)};
}

}  // namespace cablog
