#!/bin/sh
# Writes FILES synthetic result files of BLOCKS x COLUMNS x ROWS spots into DIR
# (outside the repository), two at a time; files already there are kept.
#   make_files.sh DIR FILES BLOCKS COLUMNS ROWS
set -e
dir=$1 files=$2 blocks=$3 columns=$4 rows=$5
here=$(cd "$(dirname "$0")" && pwd)
mkdir -p "$dir"
seq 1 "$files" | xargs -P 2 -I{} sh -c '
    out="$0/slide{}.gpr"
    if [ ! -s "$out" ]; then
        python3 "$1/../tests/support/make_result_file.py" --blocks "$2" --columns "$3" --rows "$4" \
            --seed {} --replicates 4 --gene-seed 7 --layout 15 -o "$out.part"
        mv "$out.part" "$out"
    fi
' "$dir" "$here" "$blocks" "$columns" "$rows"
