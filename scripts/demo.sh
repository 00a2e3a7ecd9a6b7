#!/bin/sh
# Builds the program and runs it on the example files with the example
# answers; the reports land in build/demo.
set -e
cd "$(dirname "$0")/.."
sh scripts/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j2 --target spotweave
rm -rf build/demo
mkdir -p build/demo
cp examples/*.gpr build/demo/
cd build/demo
../spotweave < ../../examples/answers.txt
echo
echo "== reports written in build/demo:"
wc -l cor.txt data.txt merge.txt
