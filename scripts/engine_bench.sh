#!/bin/sh
# Card-image benchmark of bblib.so against PhotoRec and foremost.
# Needs: imagemagick ffmpeg 7zip dosfstools mtools testdisk foremost time.
# Usage: scripts/engine_bench.sh [BUILD_FOLDER] [WORK_FOLDER]
set -e
build="${1:-build-engine}"
cmake --build "$build" --target bblib engine_carve engine_bench_samples -j2
exec python3 "$(dirname "$0")/../bench/engine/engine_bench.py" "$build" "${2:-/tmp/orvane-engine-bench}"
