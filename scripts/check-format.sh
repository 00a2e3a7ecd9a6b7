#!/bin/sh
# Checks every C++ source against .clang-format (Debian's clang-format 14;
# other versions format a few constructs differently). Lists the files that
# differ and fails; `clang-format -i FILE` mends one.
set -e
cd "$(dirname "$0")/.."
sh scripts/install-deps.sh format
version=$(clang-format --version | sed -n 's/.*version \([0-9]*\).*/\1/p')
if [ "$version" != 14 ]; then
    echo "clang-format $version found; the style is checked with version 14" >&2
    exit 1
fi
bad=""
for file in $(git ls-files '*.cpp' '*.hpp'); do
    clang-format --dry-run --Werror "$file" >/dev/null 2>&1 || bad="$bad $file"
done
if [ -n "$bad" ]; then
    echo "not in the house style (clang-format -i mends them):$bad" >&2
    exit 1
fi
echo "every C++ file is in the house style"
