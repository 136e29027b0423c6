#!/usr/bin/env bash
# Sets up, builds and rescues the bundled sample backup into a new folder,
# then prints what was found and where it went.
# Usage: scripts/run-sample.sh [SAMPLE] [EXPORT_FOLDER]
set -euo pipefail
cd "$(dirname "$0")/.."
sample=${1:-samples/sample.bbb}
target=${2:-$(mktemp -d -t orvane-sample-XXXXXX)/Rescued}

scripts/setup.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DORVANE_WERROR=ON >/dev/null
cmake --build build -j"$(nproc)" --target orvane-cli

echo "== What $sample holds"
build/orvane-cli scan "$sample"
echo
echo "== Exporting everything"
build/orvane-cli scan "$sample" --export "$target"
echo
echo "== Files written"
(cd "$target" && find . -type f | sort)
