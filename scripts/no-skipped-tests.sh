#!/bin/sh
# Fails, listing them, when the ctest log LOG names tests that were skipped:
# a check that could not run (no R, no browser, no real result files) is not
# a check that passed. Does nothing unless SPOTWEAVE_NO_SKIPS is 1, as .ci/run
# sets it; a developer without R or chromium still gets a green run, with
# the skipped checks listed by ctest.
#   no-skipped-tests.sh LOG
[ "${SPOTWEAVE_NO_SKIPS:-}" = 1 ] || exit 0
skipped=$(sed -n 's/^[[:space:]]*[0-9][0-9]* - \(.*\) (Skipped)$/\1/p' "$1")
[ -z "$skipped" ] && exit 0
echo "checks skipped, but this run relies on every one:" >&2
echo "$skipped" | sed 's/^/  /' >&2
exit 1
