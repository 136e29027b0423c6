#!/bin/sh
# Card-image benchmark of bblib.so against PhotoRec and foremost, after the
# engine's own scan speed on hostile images.
# Needs: imagemagick ffmpeg 7zip libheif-examples libgsf-bin abcmidi dosfstools mtools testdisk time
# (foremost is compared too when installed).
# Usage: scripts/engine_bench.sh [BUILD_FOLDER] [WORK_FOLDER]
set -e
build="${1:-build-engine}"
cmake --build "$build" --target bblib engine_carve engine_bench_samples engine_hostile_bench -j2
# Hostile images (a file header in every sector) against random bytes; each
# must scan at no less than a tenth of the speed of random bytes.
"$build"/bench-engine/engine_hostile_bench 64 || echo "a hostile image scanned below a tenth of the speed of random bytes"
exec python3 "$(dirname "$0")/../bench/engine/engine_bench.py" "$build" "${2:-/tmp/orvane-engine-bench}"
