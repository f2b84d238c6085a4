#!/usr/bin/env bash
# Runs the hostile corpus (tests/hostile) against vestura-cli and prints, per class, the
# worst CPU time and the peak memory above an idle run (converting a 2 x 2 bitmap), beside
# the goals of 1 s and 256 MiB. No address-space cap, so the figures are the real ones.
# Usage: bench/hostile.sh [build-dir]   (default: build)
set -euo pipefail
build=$(realpath "${1:-build}")
cd "$(dirname "$0")/.."
exec python3 tests/hostile/replay.py --cli "$build/bin/vestura-cli" --bench --no-cap
