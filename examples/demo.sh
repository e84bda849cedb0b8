#!/usr/bin/env bash
# Runs the demo host program of a build tree (default: build/release).
set -euo pipefail
build=${1:-build/release}
exec "$build/tools/fpss_demo"
