// The sixteen entry points of an ATS plug-in as cablog calls them on another
// module (a chained train plug-in, or cablog's own module in the tests), made
// from the list of host calls (host_calls.h).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "plugin/host_calls.h"
#include "plugin/host_records.h"

namespace cablog {

template <CallShape>
struct EntrySignature;
template <>
struct EntrySignature<CallShape::None> {
  using type = void();
};
template <>
struct EntrySignature<CallShape::Version> {
  using type = std::int32_t();
};
template <>
struct EntrySignature<CallShape::Int> {
  using type = void(std::int32_t);
};
template <>
struct EntrySignature<CallShape::Vehicle> {
  using type = void(VehicleSpec);
};
template <>
struct EntrySignature<CallShape::Beacon> {
  using type = void(BeaconData);
};
template <>
struct EntrySignature<CallShape::Frame> {
  using type = HandleRecord(VehicleState, std::int32_t* panel, std::int32_t* sound);
};
template <CallShape shape>
using EntryFunction = typename EntrySignature<shape>::type*;

struct EntryPoints {
#define CABLOG_ENTRY_POINT(name, method, tag, shape) EntryFunction<CallShape::shape> name = nullptr;
  CABLOG_HOST_CALLS(CABLOG_ENTRY_POINT)
#undef CABLOG_ENTRY_POINT
};

// Calls visit(name, pointer) for every entry point, in the list's order.
template <typename Entries, typename Visit>
constexpr void forEachEntryPoint(Entries& e, Visit&& visit) {
#define CABLOG_VISIT_ENTRY_POINT(name, method, tag, shape) visit(#name, e.name);
  CABLOG_HOST_CALLS(CABLOG_VISIT_ENTRY_POINT)
#undef CABLOG_VISIT_ENTRY_POINT
}

inline constexpr std::size_t kEntryPointCount = 16;

// The name of the entry point `member` stands for.
template <typename Entry>
std::string_view entryPointName(Entry EntryPoints::*member) {
  EntryPoints e;
  const void* const wanted = &(e.*member);
  std::string_view found;
  forEachEntryPoint(e, [&](std::string_view name, const auto& entry) {
    if (static_cast<const void*>(&entry) == wanted) found = name;
  });
  return found;
}

constexpr std::array<std::string_view, kEntryPointCount> entryPointNames() {
  std::array<std::string_view, kEntryPointCount> names{};
  std::size_t n = 0;
  EntryPoints none;
  forEachEntryPoint(none, [&](std::string_view name, auto&) { names[n++] = name; });
  return names;
}
static_assert(sizeof(EntryPoints) == kEntryPointCount * sizeof(void (*)()),
              "every entry point is visited");

inline constexpr std::int32_t kInterfaceVersion = 0x00020000;

}  // namespace cablog
