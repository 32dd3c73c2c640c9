#include "app/maker_library_posix.h"

#include <dlfcn.h>

#include "sys/utf.h"

namespace orvane {

namespace {

template <typename Function>
Function lookUp(void* handle, const char* name) {
  // The one cast from a data pointer to a function pointer that dlsym needs.
  return reinterpret_cast<Function>(dlsym(handle, name));
}

const char* pointerTo(const std::optional<std::string>& text) {
  return text ? text->c_str() : nullptr;
}

}  // namespace

std::string makerLibraryPath(const AppConfig& config) {
  return config.runDirectory + std::string(kMakerLibraryFileName);
}

void LoadedMakerLibrary::Unloader::operator()(void* handle) const { dlclose(handle); }

LoadedMakerLibrary::LoadedMakerLibrary(const std::string& libraryPath)
    : handle_(dlopen(libraryPath.c_str(), RTLD_NOW | RTLD_LOCAL)) {
  if (!handle_) return;
  getPcName_ = lookUp<GetPcNameFunction>(handle_.get(), "fun_GetPCName");
  message_ = lookUp<MessageFunction>(handle_.get(), "_fun_msg");
  update_ = lookUp<UpdateFunction>(handle_.get(), "_fun_update");
}

LoadedMakerLibrary::~LoadedMakerLibrary() = default;

std::string LoadedMakerLibrary::machineName() {
  if (getPcName_ == nullptr) return {};
  const char* name = getPcName_();
  // Program text is UTF-8; a host name is whatever bytes the system holds.
  return name != nullptr ? text::sanitizeUtf8(name) : std::string();
}

std::string LoadedMakerLibrary::loginText(const std::string& c, const std::string& a,
                                          const std::string& uid,
                                          const std::optional<std::string>& data) {
  if (message_ == nullptr) return {};
  // Copied at once: the library reuses its buffer on the next call.
  const char* text = message_(c.c_str(), a.c_str(), uid.c_str(), pointerTo(data));
  return text != nullptr ? std::string(text) : std::string();
}

void LoadedMakerLibrary::update(const UpdateArguments& arguments) {
  if (update_ == nullptr) return;
  update_(pointerTo(arguments[0]), pointerTo(arguments[1]), pointerTo(arguments[2]),
          pointerTo(arguments[3]), pointerTo(arguments[4]), pointerTo(arguments[5]),
          pointerTo(arguments[6]), pointerTo(arguments[7]), pointerTo(arguments[8]));
}

}  // namespace orvane
