#!/bin/sh
# The command line of the Windows program under wine: cases run with options
# instead of answers must write the reports the dialogue writes (compared
# with CR LF line ends) into an output folder given with a drive letter and
# backslashes, at the default thread count and at -j 1 and -j 5; a file
# given by such a path is named as given; a usage error ends with status 2
# before anything is written.
#   command_line_wine.sh PATH/TO/spotweave.exe [PATH/TO/linux/spotweave]
# With the Linux program, report.html of both must be the same bytes (with
# the header factors, and with --normalise loess --moderated).
set -u
exe=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
cases=$(cd "$(dirname "$0")/cases" && pwd)
command -v wine >/dev/null 2>&1 || { echo "wine not found"; exit 1; }
export WINEDEBUG=-all
passed=0 failed=0
crlf() { sed 's/$/\r/' "$1"; }
verdict() {  # name problems
    if [ -z "$2" ]; then passed=$((passed + 1)); echo "ok   command line $1"
    else failed=$((failed + 1)); echo "FAIL command line $1:$2"; fi
}

# case, then the options that give the answers of its answers.txt
while read -r name options; do
    work=$(mktemp -d "${TMPDIR:-/tmp}/spotweave-wine-cli-XXXXXX")
    cp "$cases/$name"/*.gpr "$work/"
    dir=$(cd "$work" && winepath -w . 2>/dev/null)
    # shellcheck disable=SC2086
    (cd "$work" && timeout 120 wine "$exe" $options -o "$dir\\out dir" > console.out 2> console.err < /dev/null)
    status=$?
    problems=""
    [ "$status" = 0 ] || problems="$problems status $status;"
    # Warnings only (quality_control's flag 50 ends the data of its file early).
    grep -qv '^spotweave: warning: ' "$work/console.err" && problems="$problems standard error;"
    for report in cor.txt data.txt merge.txt; do
        crlf "$cases/$name/expected/$report" | cmp -s - "$work/out dir/$report" || problems="$problems $report;"
    done
    grep -q 'out dir\\merge.txt' "$work/console.out" || problems="$problems summary;"
    # Started from a shell, the program shares its console: no wait for a key.
    grep -q 'Press Any Key' "$work/console.out" && problems="$problems waited for a key;"
    verdict "$name" "$problems"
    rm -rf "$work"
done <<'LIST'
merge_rules -r 3 -a 1 -c 2 m1.gpr m2.gpr
regression_factor_signs -r 2 -a regression -c 2 f1.gpr f2.gpr f3.gpr
single_replicate_median_of_ratios --approach median-of-ratios --qc 5.0 p.gpr q.gpr
quality_control qc.gpr
merge_rules -j 1 -r 3 -a 1 -c 2 m1.gpr m2.gpr
regression_factor_signs -j 5 -r 2 -a regression -c 2 f1.gpr f2.gpr f3.gpr
LIST

work=$(mktemp -d "${TMPDIR:-/tmp}/spotweave-wine-cli-XXXXXX")
mkdir "$work/day 1"
cp "$cases/one_file_basic/slide1.gpr" "$work/day 1/"
dir=$(cd "$work" && winepath -w . 2>/dev/null)
(cd "$work" && timeout 120 wine "$exe" -q "$dir\\day 1\\slide1.gpr" > console.out 2> console.err < /dev/null)
status=$?
problems=""
[ "$status" = 0 ] || problems="$problems status $status;"
[ -s "$work/console.out" ] && problems="$problems printed while quiet;"
grep -qF "$dir\\day 1\\slide1.gpr(ratio)" "$work/data.txt" 2>/dev/null || problems="$problems file not named as given;"
verdict "drive letter path" "$problems"

(cd "$work" && timeout 120 wine "$exe" -c 9 -o never slide1.gpr > usage.out 2> usage.err < /dev/null)
status=$?
problems=""
[ "$status" = 2 ] || problems="$problems status $status;"
grep -q "spotweave: --qc 9: expected a number from 1.0 to 5.0 (see spotweave --help)" "$work/usage.err" ||
    problems="$problems message;"
[ -e "$work/never" ] && problems="$problems output folder made;"
verdict "usage error" "$problems"
rm -rf "$work"

# report.html: the same bytes as the Linux program's page of the same run,
# with the header factors and with the loess curves and the moderated test.
linux=${2:-}
[ -n "$linux" ] && linux=$(cd "$(dirname "$linux")" && pwd)/$(basename "$linux")
if [ -n "$linux" ] && [ -x "$linux" ]; then
    work=$(mktemp -d "${TMPDIR:-/tmp}/spotweave-wine-cli-XXXXXX")
    examples=$(cd "$(dirname "$0")/../../examples" && pwd)
    cp "$examples"/*.gpr "$work/"
    for options in "" "--normalise loess --moderated"; do
        # shellcheck disable=SC2086
        (cd "$work" && timeout 120 wine "$exe" -q --html $options -r 3 -o win slide1.gpr slide2.gpr slide3.gpr \
            > /dev/null 2>&1 < /dev/null)
        status=$?
        # shellcheck disable=SC2086
        (cd "$work" && "$linux" -q --html $options -r 3 -o linux slide1.gpr slide2.gpr slide3.gpr \
            > /dev/null 2>&1 < /dev/null)
        problems=""
        [ "$status" = 0 ] || problems="$problems status $status;"
        cmp -s "$work/win/report.html" "$work/linux/report.html" || problems="$problems pages differ;"
        verdict "report.html as on Linux${options:+ ($options)}" "$problems"
        rm -rf "$work/win" "$work/linux"
    done
    rm -rf "$work"
else
    echo "skip command line report.html: no Linux program given to compare with"
    [ "${SPOTWEAVE_NO_SKIPS:-}" = 1 ] && failed=$((failed + 1))
fi

echo "$passed passed, $failed failed"
[ "$failed" = 0 ]
