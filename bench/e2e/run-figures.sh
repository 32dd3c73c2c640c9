#!/usr/bin/env bash
# The end-to-end figures of the Linux client against the demo server, printed
# as one table (method: docs/performance.md). Installs what is missing (with
# Chromium and Python for this bench only), builds the release preset's
# client, demo server and screen watcher, and runs bench/e2e/figures.py on a
# private Xvfb. Takes a few minutes; arguments go to figures.py (e.g.
# --only calls,latency).
set -euo pipefail
cd "$(dirname "$0")/../.."

scripts/install-deps.sh --bench
cmake --preset release > /dev/null
cmake --build --preset release -j "$(nproc)" \
  --target QZorvane common orvane_icon orvane-demo-server orvane_wait_for_screen
exec python3 bench/e2e/figures.py --build build/release "$@"
