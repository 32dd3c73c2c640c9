#pragma once
// The maker's library loaded with dlopen from the program's run folder. Its
// three functions are looked up once, when it is loaded; a missing library or
// function is no error: the machine name and message texts are then empty
// and an update does nothing.

#include <memory>
#include <string>
#include <string_view>

#include "app/maker_library.h"

namespace orvane {

inline constexpr std::string_view kMakerLibraryFileName = "libcommon.so";

// runDirectory + the library's file name.
std::string makerLibraryPath(const AppConfig& config);

class LoadedMakerLibrary final : public MakerLibrary {
 public:
  explicit LoadedMakerLibrary(const std::string& libraryPath);
  // Unloads the library: no call may still be running in it (the program
  // keeps the object until its threads have ended).
  ~LoadedMakerLibrary() override;
  LoadedMakerLibrary(const LoadedMakerLibrary&) = delete;
  LoadedMakerLibrary& operator=(const LoadedMakerLibrary&) = delete;

  bool loaded() const { return handle_ != nullptr; }

  std::string machineName() override;
  std::string loginText(const std::string& c, const std::string& a, const std::string& uid,
                        const std::optional<std::string>& data) override;
  void update(const UpdateArguments& arguments) override;

 private:
  using GetPcNameFunction = const char* (*)();
  using MessageFunction = const char* (*)(const char*, const char*, const char*, const char*);
  using UpdateFunction = void (*)(const char*, const char*, const char*, const char*, const char*,
                                  const char*, const char*, const char*, const char*);

  struct Unloader {
    void operator()(void* handle) const;
  };
  std::unique_ptr<void, Unloader> handle_;
  GetPcNameFunction getPcName_ = nullptr;
  MessageFunction message_ = nullptr;
  UpdateFunction update_ = nullptr;
};

}  // namespace orvane
