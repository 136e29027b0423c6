#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for the given number
# of seconds (default 60) from its seed corpus. Usage: scripts/fuzz.sh [SECONDS]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}

scripts/setup.sh
cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DORVANE_FUZZ=ON -DORVANE_WERROR=ON \
  -DORVANE_TESTS=OFF -DORVANE_BENCH=OFF -DORVANE_APP=OFF \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ >/dev/null
cmake --build build-fuzz -j"$(nproc)"

shopt -s nullglob
for target in build-fuzz/fuzz/*_fuzz build-fuzz/engine/*_fuzz; do
  name=$(basename "$target")
  corpus=$(mktemp -d)
  seeds=()
  for folder in fuzz/corpus/"$name" engine/fuzz/corpus/"$name"; do
    [[ -d "$folder" ]] && seeds+=("$folder")
  done
  echo "-- $name"
  # a unit that runs for 10 s is a hang: report it rather than wait
  "$target" -max_total_time="$seconds" -timeout=10 -print_final_stats=0 -close_fd_mask=3 \
    "$corpus" "${seeds[@]}" 2>&1 | tail -n 3
  rm -rf "$corpus"
done
