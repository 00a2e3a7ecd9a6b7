#!/bin/sh
# Builds the Linux and the Windows program, runs both test suites, and
# leaves both executables, the example files and the manual in dist/.
set -e
cd "$(dirname "$0")/.."
sh scripts/test.sh
sh scripts/test-windows.sh
rm -rf dist
mkdir -p dist/examples
cp build/spotweave build-windows/spotweave.exe dist/
cp examples/* dist/examples/
cp docs/manual.md README.md dist/
echo "release in dist/:"
ls -l dist dist/examples
