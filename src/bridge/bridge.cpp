#include "bridge/bridge.h"

namespace orvane {

Bridge::Bridge(const BridgeContext& context, PageRequestOptions options)
    : console_(context.view, context.log),
      serverJs_(context),
      filter_(context.view, context.config, context.state),
      pageRequests_(context.ui, context.view, filter_, options) {}

void Bridge::install() {
  console_.install();
  serverJs_.install();
  filter_.install();
}

}  // namespace orvane
