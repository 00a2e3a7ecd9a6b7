#!/bin/sh
# Speed and memory benchmark. Generates synthetic result files outside the
# repository (once), runs the program on them with piped answers (4 replicated
# spots, approach 1, C = 2.0) at each thread count of THREADS, the runs of the
# counts taking turns, and prints the median wall time and the peak memory of
# the whole process over RUNS runs, beside the time `cat` needs to read the
# same bytes and the speed-up of the last count over the first. The probe
# build then shows where the time goes at each count.
#
#   sh bench/run.sh [sizes...]      sizes: S M F25 F50 L (default: all)
#   BENCH_DIR=/somewhere RUNS=5 THREADS="1 2" sh bench/run.sh L
set -e
here=$(cd "$(dirname "$0")" && pwd)
top=$(dirname "$here")
dir=${BENCH_DIR:-${TMPDIR:-/tmp}/spotweave-bench}
runs=${RUNS:-5}
sizes=${*:-S M F25 F50 L}
threads=${THREADS:-1 2}

command -v /usr/bin/time >/dev/null 2>&1 || { apt-get update -qq && apt-get install -y -qq time; }
sh "$top/scripts/install-deps.sh"
cmake -S "$top" -B "$top/build-probe" -DCMAKE_BUILD_TYPE=Release -DSPOTWEAVE_TESTS=OFF -DSPOTWEAVE_PHASE_TIMES=ON >/dev/null
cmake --build "$top/build-probe" -j2 --target spotweave >/dev/null

# files, blocks, columns, rows of each size; F25 and F50 are the first files of L.
layout() {
    case $1 in
        S) echo "2 2 20 20 S" ;;
        M) echo "10 16 24 24 M" ;;
        F25) echo "25 48 24 48 L" ;;
        F50) echo "50 48 24 48 L" ;;
        L) echo "99 48 24 48 L" ;;
    esac
}

median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

# One run of the program at $1 threads: "wall_s peak_KB".
timed_run() {
    SPOTWEAVE_PROBE_THREADS=$1 /usr/bin/time -f '%e %M' "$top/build-probe/spotweave" < answers.txt 2>&1 >/dev/null |
        tail -n 1
}

printf '%-4s %5s %7s %9s %8s' size files spots MB cat_s
for n in $threads; do printf ' %7s %8s' "${n}t_s" "${n}t_MB"; done
printf ' %8s\n' speedup
for size in $sizes; do
    set -- $(layout "$size")
    files=$1 blocks=$2 columns=$3 rows=$4 data="$dir/$5"
    need=$files
    [ "$5" = L ] && need=99
    sh "$here/make_files.sh" "$data" "$need" "$blocks" "$columns" "$rows"
    work="$dir/run-$size"
    rm -rf "$work" && mkdir -p "$work"
    list=""
    for i in $(seq 1 "$files"); do ln -s "$data/slide$i.gpr" "$work/slide$i.gpr"; list="$list slide$i.gpr"; done
    (printf '%s\n4\n' "$files"; for f in $list; do echo "$f"; done; printf '1\n2.0\nk') > "$work/answers.txt"
    cd "$work"
    bytes=$(cat $list | wc -c)
    cat_s=$(for r in $(seq 1 "$runs"); do /usr/bin/time -f %e cat $list 2>&1 >/dev/null; done | median)
    rm -f times.txt
    for r in $(seq 1 "$runs"); do
        for n in $threads; do echo "$n $(timed_run "$n")" >> times.txt; done
    done
    printf '%-4s %5s %7s %9.1f %8s' "$size" "$files" $((blocks * columns * rows)) \
        "$(awk -v b="$bytes" 'BEGIN { print b / 1048576 }')" "$cat_s"
    first="" last=""
    for n in $threads; do
        run_s=$(awk -v n="$n" '$1 == n { print $2 }' times.txt | median)
        peak=$(awk -v n="$n" '$1 == n { print $3 }' times.txt | median)
        printf ' %7s %8.1f' "$run_s" "$(awk -v p="$peak" 'BEGIN { print p / 1024 }')"
        [ -z "$first" ] && first=$run_s
        last=$run_s
    done
    awk -v a="$first" -v b="$last" 'BEGIN { if (b > 0) printf " %7.2fx\n", a / b; else print "       -" }'
    for n in $threads; do
        SPOTWEAVE_PROBE_THREADS=$n "$top/build-probe/spotweave" < answers.txt 2> "$work/phases-$n.txt" >/dev/null
    done
    cd "$top"
done
echo
echo "Where the time goes (probe build, one run each):"
for size in $sizes; do
    for n in $threads; do
        printf '%-4s %2s thread(s):' "$size" "$n"
        awk '{ printf "  %s %s", $2, $3 }' "$dir/run-$size/phases-$n.txt"
        echo
    done
done
