#!/bin/sh
# Runs the WAC tactical suite through the search at a fixed time per position and prints the
# number of solved positions. Usage: scripts/wac.sh [ms per position] [build folder]
set -e
ms=${1:-1000}
build=${2:-build}
here=$(cd "$(dirname "$0")/.." && pwd)
suite="$here/data/epd/wac.epd"
exec "$build/bench/bench_search" --epd "$suite" --ms "$ms"
