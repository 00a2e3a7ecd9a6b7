#!/bin/sh
# Speed and memory benchmark. Generates synthetic result files outside the
# repository (once), runs the program on them with piped answers (4 replicated
# spots, approach 1, C = 2.0) and prints the median wall time and the peak
# memory of the whole process over RUNS runs, beside the time `cat` needs to
# read the same bytes. A probe build then shows where the time goes.
#
#   sh bench/run.sh [sizes...]      sizes: S M F25 F50 L L3 (default: all)
#
# L3 is L written in the version 3 layout (56 columns, GenePix Pro 5 to 7):
# the same spot values, so the two rows compare the cost of reading by title.
#   BENCH_DIR=/somewhere RUNS=5 sh bench/run.sh L
set -e
here=$(cd "$(dirname "$0")" && pwd)
top=$(dirname "$here")
dir=${BENCH_DIR:-${TMPDIR:-/tmp}/spotweave-bench}
runs=${RUNS:-5}
sizes=${*:-S M F25 F50 L L3}

command -v /usr/bin/time >/dev/null 2>&1 || { apt-get update -qq && apt-get install -y -qq time; }
sh "$top/scripts/install-deps.sh"
cmake -S "$top" -B "$top/build-bench" -DCMAKE_BUILD_TYPE=Release -DSPOTWEAVE_TESTS=OFF >/dev/null
cmake --build "$top/build-bench" -j2 --target spotweave >/dev/null
cmake -S "$top" -B "$top/build-probe" -DCMAKE_BUILD_TYPE=Release -DSPOTWEAVE_TESTS=OFF -DSPOTWEAVE_PHASE_TIMES=ON >/dev/null
cmake --build "$top/build-probe" -j2 --target spotweave >/dev/null

# files, blocks, columns, rows, folder and layout version of each size; F25
# and F50 are the first files of L.
layout() {
    case $1 in
        S) echo "2 2 20 20 S 1.4" ;;
        M) echo "10 16 24 24 M 1.4" ;;
        F25) echo "25 48 24 48 L 1.4" ;;
        F50) echo "50 48 24 48 L 1.4" ;;
        L) echo "99 48 24 48 L 1.4" ;;
        L3) echo "99 48 24 48 L3 3" ;;
    esac
}

median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

printf '%-4s %5s %7s %9s %10s %10s %9s\n' size files spots MB cat_s run_s peak_MB
for size in $sizes; do
    set -- $(layout "$size")
    files=$1 blocks=$2 columns=$3 rows=$4 data="$dir/$5"
    need=$files
    [ "$5" = L ] && need=99
    sh "$here/make_files.sh" "$data" "$need" "$blocks" "$columns" "$rows" "$6"
    work="$dir/run-$size"
    rm -rf "$work" && mkdir -p "$work"
    list=""
    for i in $(seq 1 "$files"); do ln -s "$data/slide$i.gpr" "$work/slide$i.gpr"; list="$list slide$i.gpr"; done
    (printf '%s\n4\n' "$files"; for f in $list; do echo "$f"; done; printf '1\n2.0\nk') > "$work/answers.txt"
    cd "$work"
    bytes=$(cat $list | wc -c)
    cat_s=$(for r in $(seq 1 "$runs"); do /usr/bin/time -f %e cat $list 2>&1 >/dev/null; done | median)
    out=$(for r in $(seq 1 "$runs"); do
        /usr/bin/time -f '%e %M' "$top/build-bench/spotweave" < answers.txt 2>&1 >/dev/null | tail -n 1
    done)
    run_s=$(echo "$out" | cut -d' ' -f1 | median)
    peak=$(echo "$out" | cut -d' ' -f2 | median)
    awk -v size="$size" -v files="$files" -v spots=$((blocks * columns * rows)) -v bytes="$bytes" \
        -v cat_s="$cat_s" -v run_s="$run_s" -v peak="$peak" \
        'BEGIN { printf "%-4s %5s %7s %9.1f %10s %10s %9.1f\n", size, files, spots, bytes / 1048576, cat_s, run_s, peak / 1024 }'
    "$top/build-probe/spotweave" < answers.txt 2> "$work/phases.txt" >/dev/null
    cd "$top"
done
echo
echo "Where the time goes (probe build, one run each):"
for size in $sizes; do
    printf '%s:' "$size"
    awk '{ printf "  %s %s", $2, $3 }' "$dir/run-$size/phases.txt"
    echo
done
