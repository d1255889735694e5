// The sixteen entry points of an ATS plug-in, as the host calls them: the
// list of calls is cablog's (plugin/host_calls.h, constants only), the
// records the stand-in's own.
#pragma once

#include <cstdint>

#include "plugin/host_calls.h"
#include "records.h"

namespace host {

// Each shape of call (plugin/host_calls.h) as the stand-in's own records
// make it.
template <cablog::CallShape>
struct Signature;
template <>
struct Signature<cablog::CallShape::None> {
  using type = void();
};
template <>
struct Signature<cablog::CallShape::Version> {
  using type = std::int32_t();
};
template <>
struct Signature<cablog::CallShape::Int> {
  using type = void(std::int32_t);
};
template <>
struct Signature<cablog::CallShape::Vehicle> {
  using type = void(VehicleSpec);
};
template <>
struct Signature<cablog::CallShape::Beacon> {
  using type = void(BeaconData);
};
template <>
struct Signature<cablog::CallShape::Frame> {
  using type = HandleRecord(VehicleState, std::int32_t* panel, std::int32_t* sound);
};

struct PluginApi {
#define HOST_ENTRY_POINT(name, method, tag, shape) \
  typename Signature<cablog::CallShape::shape>::type* name;
  CABLOG_HOST_CALLS(HOST_ENTRY_POINT)
#undef HOST_ENTRY_POINT
};

// Calls visit(name, pointer) for every entry point, in the list's order.
template <typename Visit>
void forEachEntryPoint(PluginApi& api, Visit&& visit) {
#define HOST_VISIT_ENTRY_POINT(name, method, tag, shape) visit(#name, api.name);
  CABLOG_HOST_CALLS(HOST_VISIT_ENTRY_POINT)
#undef HOST_VISIT_ENTRY_POINT
}

}  // namespace host
