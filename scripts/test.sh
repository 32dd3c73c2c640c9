#!/usr/bin/env bash
# The whole test suite from a fresh clone: installs what is missing, configures,
# builds, and runs every label (unit, integration, gui). The gui tests need a
# display, so CTest runs under a private Xvfb server.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
cmake --preset debug
cmake --build --preset debug -j "$(nproc)"
exec xvfb-run --auto-servernum --server-args="-screen 0 1920x1080x24 -nolisten tcp" \
  ctest --preset debug -j "$(nproc)" "$@"
