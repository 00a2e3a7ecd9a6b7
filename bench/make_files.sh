#!/bin/sh
# Writes FILES synthetic result files of BLOCKS x COLUMNS x ROWS spots into DIR
# (outside the repository), two at a time; files already there are kept.
# VERSION is the layout (default 1.4; 3 is the 56-column GenePix Results 3).
#   make_files.sh DIR FILES BLOCKS COLUMNS ROWS [VERSION]
set -e
dir=$1 files=$2 blocks=$3 columns=$4 rows=$5 version=${6:-1.4}
here=$(cd "$(dirname "$0")" && pwd)
mkdir -p "$dir"
seq 1 "$files" | xargs -P 2 -I{} sh -c '
    out="$0/slide{}.gpr"
    if [ ! -s "$out" ]; then
        python3 "$1/../tests/support/make_result_file.py" --blocks "$2" --columns "$3" --rows "$4" \
            --seed {} --replicates 4 --gene-seed 7 --layout 15 --version "$5" -o "$out.part"
        mv "$out.part" "$out"
    fi
' "$dir" "$here" "$blocks" "$columns" "$rows" "$version"
