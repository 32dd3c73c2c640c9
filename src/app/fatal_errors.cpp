#include "app/fatal_errors.h"

#include <atomic>
#include <cstdlib>
#include <system_error>
#include <utility>

namespace orvane {

namespace {

std::function<void(int, const std::string&)>& reporter() {
  static std::function<void(int, const std::string&)> report;
  return report;
}

std::atomic<bool> reporting{false};

[[noreturn]] void onTerminate() {
  if (!reporting.exchange(true)) {
    const FatalErrorText text = describeFatalError(std::current_exception());
    try {
      if (auto& report = reporter()) report(text.code, text.message);
    } catch (...) {
      // The report itself failed; the process ends all the same.
    }
  }
  std::_Exit(kFatalExitCode);
}

}  // namespace

FatalErrorText describeFatalError(std::exception_ptr error) {
  if (!error) return {0, "terminate called without an active exception"};
  try {
    std::rethrow_exception(error);
  } catch (const std::system_error& e) {
    return {e.code().value(), e.what()};
  } catch (const std::exception& e) {
    return {0, e.what()};
  } catch (...) {
    return {0, "unknown exception"};
  }
}

void installTerminateHandler(std::function<void(int, const std::string&)> report) {
  reporter() = std::move(report);
  std::set_terminate(onTerminate);
}

}  // namespace orvane
