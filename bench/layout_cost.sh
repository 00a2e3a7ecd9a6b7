#!/bin/sh
# Loading cost per byte of the two layouts, measured in instructions, which a
# shared machine does not disturb: the same spot values are written as
# GenePix Results 1.4 (43 columns) and as version 3 (56 columns), each set is
# run once under callgrind, and the instructions spent in the sizing scan and
# in loading (header walk and rows) are divided by the bytes they read.
#
#   sh bench/layout_cost.sh [FILES [BLOCKS COLUMNS ROWS]]   (default 4 16 24 24)
#
# With farm-bench on the PATH the two whole runs are also timed against each
# other (A = version 3, B = 1.4, ratio per pair of runs).
set -e
here=$(cd "$(dirname "$0")" && pwd)
top=$(dirname "$here")
files=${1:-4} blocks=${2:-16} columns=${3:-24} rows=${4:-24}
dir=${BENCH_DIR:-${TMPDIR:-/tmp}/spotweave-bench}/layout-cost-$files-$blocks-$columns-$rows

command -v valgrind >/dev/null 2>&1 || { apt-get update -qq && apt-get install -y -qq valgrind; }
cmake -S "$top" -B "$top/build-bench" -DCMAKE_BUILD_TYPE=Release -DSPOTWEAVE_TESTS=OFF >/dev/null
cmake --build "$top/build-bench" -j2 --target spotweave >/dev/null

for version in 1.4 3; do
    sh "$here/make_files.sh" "$dir/v$version" "$files" "$blocks" "$columns" "$rows" "$version"
    (printf '%s\n4\n' "$files"; for i in $(seq 1 "$files"); do echo "slide$i.gpr"; done; printf '1\n2.0\nk') \
        > "$dir/v$version/answers.txt"
done

# Inclusive instructions of one function in a callgrind profile.
inclusive() {
    callgrind_annotate --inclusive=yes "$1" 2>/dev/null | grep -F "$2" | head -n 1 | awk '{ gsub(",", "", $1); print $1 }'
}

printf '%-8s %12s %14s %10s %14s %10s\n' layout bytes load_instr per_byte sizing_instr per_byte
for version in 1.4 3; do
    cd "$dir/v$version"
    valgrind --tool=callgrind --callgrind-out-file="$dir/callgrind.v$version" "$top/build-bench/spotweave" \
        < answers.txt >/dev/null 2>"$dir/callgrind.v$version.log"
    bytes=$(cat slide*.gpr | wc -c)
    first=$(wc -c < slide1.gpr)
    load=$(inclusive "$dir/callgrind.v$version" "load_spot_records(")
    walk=$(inclusive "$dir/callgrind.v$version" "header_walk(")
    sizing=$(inclusive "$dir/callgrind.v$version" "sizing_scan(")
    awk -v v="$version" -v b="$bytes" -v f="$first" -v l="$load" -v w="${walk:-0}" -v s="$sizing" \
        'BEGIN { printf "%-8s %12d %14d %10.2f %14d %10.2f\n", v, b, l + w, (l + w) / b, s, s / f }'
done | tee "$dir/cost.txt"
awk 'NR == 1 { l = $4; s = $6 } NR == 2 { printf "version 3 / 1.4 per byte: loading %.2f, sizing scan %.2f\n", $4 / l, $6 / s }' \
    "$dir/cost.txt"

if command -v farm-bench >/dev/null 2>&1; then
    cd "$dir/v3"
    farm-bench -n 9 --vs "sh -c 'cd $dir/v1.4 && exec $top/build-bench/spotweave < answers.txt'" -- \
        sh -c "exec $top/build-bench/spotweave < answers.txt"
fi
