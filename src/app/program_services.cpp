#include "app/program_services.h"

#include "app/server_readiness.h"

namespace orvane {

bool ServerLinkAccess::isReady(std::stop_token stop) {
  return isServerReady(link_.webBase(), std::move(stop));
}

}  // namespace orvane
