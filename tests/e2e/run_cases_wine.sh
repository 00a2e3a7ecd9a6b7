#!/bin/sh
# Runs the end-to-end case folders against the Windows program under wine,
# as the Linux runner plays them (tests/support/case_folders.hpp says what a
# folder holds). The program writes text mode there, so the expected console
# text, standard error and reports are compared with CR LF line ends. Cases
# that need the real result files read them from REALDATA (the program is
# given the folder as wine names it, on its Z: drive) and are skipped without
# it; with SPOTWEAVE_NO_SKIPS=1 a skipped case fails the run. The summary and
# the messages
# of a command-line run name report paths the Windows way, so their
# backslashes are read as slashes. No case may leave a report under its
# temporary name.
#   run_cases_wine.sh PATH/TO/spotweave.exe [REALDATA]
set -u
exe=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
realdata="" realdata_shown=""
if [ -n "${2:-}" ] && [ -d "$2" ]; then
    realdata=$(cd "$2" && WINEDEBUG=-all winepath -w "$(pwd)" 2>/dev/null)
    realdata_shown=$(printf '%s' "$realdata" | tr '\\' /)
fi
cases=$(cd "$(dirname "$0")/cases" && pwd)
command -v wine >/dev/null 2>&1 || { echo "wine not found"; exit 1; }
export WINEDEBUG=-all
passed=0 failed=0 skipped=0
crlf() { sed 's/$/\r/' "$1"; }
for case in "$cases"/*/; do
    name=$(basename "$case")
    if [ -z "$realdata" ] && [ -f "$case/args.txt" ] && grep -q '\${REALDATA}' "$case/args.txt"; then
        skipped=$((skipped + 1))
        echo "skip $name: needs the real result files"
        continue
    fi
    work=$(mktemp -d "${TMPDIR:-/tmp}/spotweave-wine-XXXXXX")
    for f in "$case"*; do
        case $(basename "$f") in expected|answers.txt|args.txt|setup.sh) ;; *) cp -R "$f" "$work/" ;; esac
    done
    [ -f "$case/setup.sh" ] && (cd "$work" && sh "$case/setup.sh")
    input=/dev/null
    [ -f "$case/answers.txt" ] && input="$case/answers.txt"
    set --
    if [ -f "$case/args.txt" ]; then
        while IFS= read -r arg; do
            case $arg in *'${REALDATA}'*) arg="${arg%%'${REALDATA}'*}$realdata${arg#*'${REALDATA}'}" ;; esac
            set -- "$@" "$arg"
        done < "$case/args.txt"
    fi
    (cd "$work" && timeout 120 wine "$exe" "$@" < "$input" > "$work.out" 2> "$work.err")
    status=$?
    if [ -f "$case/args.txt" ]; then
        for stream in out err; do
            tr '\\' / < "$work.$stream" > "$work.tmp" && mv "$work.tmp" "$work.$stream"
            if [ -n "$realdata" ]; then
                sed "s|$realdata_shown|\${REALDATA}|g" "$work.$stream" > "$work.tmp" && mv "$work.tmp" "$work.$stream"
            fi
        done
    fi
    problems=""
    [ "$status" = "$(cat "$case/expected/status")" ] || problems="$problems status $status;"
    crlf "$case/expected/console.txt" | cmp -s - "$work.out" || problems="$problems console;"
    if [ -f "$case/expected/stderr.txt" ]; then
        crlf "$case/expected/stderr.txt" | cmp -s - "$work.err" || problems="$problems standard error;"
    elif [ -f "$case/args.txt" ] && [ -s "$work.err" ]; then
        problems="$problems standard error;"
    fi
    for path in $(cd "$case/expected" && find . -type f | sed 's|^\./||' | sort); do
        case $path in console.txt|status|stderr.txt|not-written.txt) continue ;; esac
        crlf "$case/expected/$path" | cmp -s - "$work/$path" || problems="$problems $path;"
    done
    if [ -f "$case/expected/not-written.txt" ]; then
        while IFS= read -r path; do
            [ -e "$work/$path" ] && problems="$problems $path written;"
        done < "$case/expected/not-written.txt"
    fi
    left=$(find "$work" -name '.spotweave-*.part' | head -1)
    [ -n "$left" ] && problems="$problems staged report left;"
    if [ ! -f "$case/args.txt" ]; then
        for report in cor.txt data.txt merge.txt; do
            if [ ! -f "$case/expected/$report" ] && [ -f "$work/$report" ] && [ ! -L "$work/$report" ]; then
                problems="$problems $report written;"
            fi
        done
    fi
    if [ -z "$problems" ]; then
        passed=$((passed + 1))
        echo "ok   $name"
        rm -rf "$work" "$work.out" "$work.err"
    else
        failed=$((failed + 1))
        echo "FAIL $name:$problems kept $work"
    fi
done
echo "$passed passed, $failed failed, $skipped skipped"
[ "$failed" = 0 ] || exit 1
[ "$skipped" = 0 ] || [ "${SPOTWEAVE_NO_SKIPS:-}" != 1 ]
