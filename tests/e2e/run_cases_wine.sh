#!/bin/sh
# Runs the end-to-end cases against the Windows program under wine. The
# program writes text mode there, so the expected console text and reports
# are compared with CR LF line ends.
#   run_cases_wine.sh PATH/TO/spotweave.exe
set -u
exe=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
cases=$(cd "$(dirname "$0")/cases" && pwd)
command -v wine >/dev/null 2>&1 || { echo "wine not found"; exit 1; }
export WINEDEBUG=-all
passed=0 failed=0
crlf() { sed 's/$/\r/' "$1"; }
for case in "$cases"/*/; do
    name=$(basename "$case")
    work=$(mktemp -d "${TMPDIR:-/tmp}/spotweave-wine-XXXXXX")
    for f in "$case"*; do
        case $(basename "$f") in expected|answers.txt|setup.sh) ;; *) cp -R "$f" "$work/" ;; esac
    done
    [ -f "$case/setup.sh" ] && (cd "$work" && sh "$case/setup.sh")
    (cd "$work" && timeout 120 wine "$exe" < "$case/answers.txt" > console.out 2> console.err)
    status=$?
    problems=""
    [ "$status" = "$(cat "$case/expected/status")" ] || problems="$problems status $status;"
    crlf "$case/expected/console.txt" | cmp -s - "$work/console.out" || problems="$problems console;"
    for report in cor.txt data.txt merge.txt; do
        if [ -f "$case/expected/$report" ]; then
            crlf "$case/expected/$report" | cmp -s - "$work/$report" || problems="$problems $report;"
        elif [ -f "$work/$report" ] && [ ! -L "$work/$report" ]; then
            problems="$problems $report written;"
        fi
    done
    if [ -z "$problems" ]; then
        passed=$((passed + 1))
        echo "ok   $name"
        rm -rf "$work"
    else
        failed=$((failed + 1))
        echo "FAIL $name:$problems kept $work"
    fi
done
echo "$passed passed, $failed failed"
[ "$failed" = 0 ]
