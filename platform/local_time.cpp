#include "platform/platform.h"

namespace cablog::platform {

LocalDateTime localNow() {
  const std::tm local = localCalendarTime(std::time(nullptr));
  return {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
          local.tm_hour,        local.tm_min,     local.tm_sec};
}

}  // namespace cablog::platform
