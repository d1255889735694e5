#include "plugin/loaded_module.h"

#include <type_traits>
#include <utility>

#include "platform/platform.h"

namespace cablog {

LoadedModule::LoadedModule(const std::string& path) {
  handle_ = platform::loadLibrary(path, error_);
  if (handle_ == nullptr) return;
  // A constructor that throws runs no destructor: the module would stay
  // loaded for good.
  try {
    forEachEntryPoint(static_cast<EntryPoints&>(*this), [&](std::string_view name, auto& pointer) {
      const std::string symbol(name);
      pointer = reinterpret_cast<std::remove_reference_t<decltype(pointer)>>(
          platform::librarySymbol(handle_, symbol.c_str()));
      if (pointer == nullptr) missing_.push_back(symbol);
    });
  } catch (...) {
    unload();
    throw;
  }
}

LoadedModule::LoadedModule(LoadedModule&& other) noexcept
    : EntryPoints(other),
      handle_(other.handle_),
      error_(std::move(other.error_)),
      missing_(std::move(other.missing_)) {
  other.abandon();
}

LoadedModule& LoadedModule::operator=(LoadedModule&& other) noexcept {
  if (this != &other) {
    unload();
    static_cast<EntryPoints&>(*this) = other;
    handle_ = other.handle_;
    error_ = std::move(other.error_);
    missing_ = std::move(other.missing_);
    other.abandon();
  }
  return *this;
}

void LoadedModule::unload() {
  if (handle_ != nullptr) platform::unloadLibrary(handle_);
  abandon();
}

void LoadedModule::abandon() {
  static_cast<EntryPoints&>(*this) = {};
  handle_ = nullptr;
  missing_.clear();
}

}  // namespace cablog
