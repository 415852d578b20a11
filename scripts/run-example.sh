#!/usr/bin/env bash
# Installs what is missing, builds ORVANTA and runs the engine on the bundled example.
set -euo pipefail
cd "$(dirname "$0")/.."
top=$(pwd)
bash scripts/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DORVANTA_TESTS=OFF -DORVANTA_BENCH=OFF
cmake --build build -j"$(nproc)" --target trellin palvane

run="$top/build/example-run"
rm -rf "$run"
mkdir -p "$run"
cp examples/source.dat examples/mixture.dat examples/inival.dat "$run"/
cd "$run"
echo "Running trellin on the bundled example in $run ..."
start=$(date +%s)
"$top/build/bin/trellin" < /dev/null
echo
echo "Finished in $(( $(date +%s) - start )) s. Output files in $run:"
ls -l "$run"/output*
echo
echo "Per-model summary (from output.art):"
sed -n '/^Model /,$p' output.art
