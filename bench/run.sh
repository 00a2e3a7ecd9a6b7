#!/bin/sh
# Speed and memory benchmark. Generates synthetic result files outside the
# repository (once), runs the program on them from the command line (4
# replicated spots, approach 1, C = 2.0, -q) at each thread count of THREADS,
# the counts taking turns run by run, and prints the median wall time and
# peak memory of the whole process over RUNS runs for each count, beside the
# time `cat` needs to read the same bytes and the speed-up of the last count
# over the first; then the same run at the last count with --html, its time
# against the plain run's, the size of report.html and the seconds headless
# chromium takes to draw all of it ("-" without chromium). A second table
# gives, at each count, the run with the analysis options (--normalise
# printtiploess --between scale) and with them the moderated t-test
# (--moderated), each time as a multiple of the plain run's at that count.
# A probe build then shows where the time goes at each count.
#
#   sh bench/run.sh [sizes...]      sizes: S M F25 F50 L L3 (default: all)
#
# L3 is L written in the version 3 layout (56 columns, GenePix Pro 5 to 7):
# the same spot values, so the two rows compare the cost of reading by title.
#   BENCH_DIR=/somewhere RUNS=5 THREADS="1 2" sh bench/run.sh L M
set -e
here=$(cd "$(dirname "$0")" && pwd)
top=$(dirname "$here")
dir=${BENCH_DIR:-${TMPDIR:-/tmp}/spotweave-bench}
runs=${RUNS:-5}
sizes=${*:-S M F25 F50 L L3}
threads=${THREADS:-1 2}

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

# One run of program $1 at $2 threads on the files of $list, further options
# after them: "wall_s peak_KB".
timed_run() {
    program=$1 n=$2
    shift 2
    # shellcheck disable=SC2086
    /usr/bin/time -f '%e %M' "$program" -q -j "$n" -r 4 -a 1 -c 2.0 -o out "$@" $list 2>&1 >/dev/null | tail -n 1
}

printf '%-4s %5s %7s %8s %6s' size files spots MB cat_s
for n in $threads; do printf ' %7s %7s' "j${n}_s" "j${n}_MB"; done
printf ' %7s %7s %6s %7s %6s\n' speedup html_s html_% page_MB draw_s
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
    cd "$work"
    bytes=$(cat $list | wc -c)
    cat_s=$(for r in $(seq 1 "$runs"); do /usr/bin/time -f %e cat $list 2>&1 >/dev/null; done | median)
    for r in $(seq 1 "$runs"); do
        for n in $threads; do
            echo "$n $(timed_run "$top/build-bench/spotweave" "$n")" >> times.txt
            echo "norm$n $(timed_run "$top/build-bench/spotweave" "$n" --normalise printtiploess --between scale)" \
                >> times.txt
            echo "mod$n $(timed_run "$top/build-bench/spotweave" "$n" --normalise printtiploess --between scale \
                --moderated)" >> times.txt
        done
        echo "html $(timed_run "$top/build-bench/spotweave" "$n" --html)" >> times.txt
    done
    printf '%-4s %5s %7s %8.1f %6s' "$size" "$files" $((blocks * columns * rows)) \
        "$(awk -v b="$bytes" 'BEGIN { print b / 1048576 }')" "$cat_s"
    first="" last=""
    for n in $threads; do
        run_s=$(awk -v n="$n" '$1 == n { print $2 }' times.txt | median)
        peak=$(awk -v n="$n" '$1 == n { print $3 }' times.txt | median)
        printf ' %7s %7.1f' "$run_s" "$(awk -v p="$peak" 'BEGIN { print p / 1024 }')"
        [ -z "$first" ] && first=$run_s
        last=$run_s
    done
    awk -v a="$first" -v b="$last" 'BEGIN { if (b > 0) printf " %6.2fx", a / b; else printf "       -" }'
    html_s=$(awk '$1 == "html" { print $2 }' times.txt | median)
    awk -v h="$html_s" -v b="$last" -v p="$(wc -c < out/report.html)" 'BEGIN {
        pct = "-"
        if (b > 0) pct = sprintf("%+.0f", 100 * (h - b) / b)
        printf " %7s %6s %7.2f", h, pct, p / 1048576
    }'
    draw_s=-
    if command -v chromium >/dev/null 2>&1; then
        draw_s=$(python3 "$top/tests/e2e/html_check.py" draw out/report.html | cut -d' ' -f1)
    fi
    printf ' %6s\n' "$draw_s"
    for n in $threads; do
        plain_s=$(awk -v n="$n" '$1 == n { print $2 }' times.txt | median)
        printf '%-4s -j %-2s plain %6s' "$size" "$n" "$plain_s"
        for kind in norm mod; do
            kind_s=$(awk -v k="$kind$n" '$1 == k { print $2 }' times.txt | median)
            awk -v k="$kind" -v t="$kind_s" -v b="$plain_s" \
                'BEGIN { if (b > 0) printf "  %s %6s %5.2fx", k, t, t / b; else printf "  %s %6s     -", k, t }'
        done
        echo
    done > analysis.txt
    for n in $threads; do
        # shellcheck disable=SC2086
        "$top/build-probe/spotweave" -q -j "$n" -r 4 -a 1 -c 2.0 -o out $list 2> "phases-$n.txt" >/dev/null
    done
    cd "$top"
done
echo
echo "With the analysis options, against the plain run at the same count (seconds):"
for size in $sizes; do cat "$dir/run-$size/analysis.txt"; done
echo
echo "Where the time goes (probe build, one run each):"
for size in $sizes; do
    for n in $threads; do
        printf '%-4s -j %-2s:' "$size" "$n"
        awk '{ printf "  %s %s", $2, $3 }' "$dir/run-$size/phases-$n.txt"
        echo
    done
done
