#!/bin/sh
# Builds the fuzz targets with clang and runs each for a number of seconds.
#
#   tests/fuzz/run.sh SECONDS [TARGET...]
#
# TARGET is fuzz_sizing_scan, fuzz_header_rows, fuzz_dialogue or
# fuzz_titled_file (all four by default). FUZZ_BUILD_DIR chooses the build folder (default build-fuzz in the
# repository); the growing corpus and any crash, hang or leak input are kept
# there, under corpus/ and artifacts/. FUZZ_JOBS=2 runs two targets at once.
# Exits non-zero when a target reports a finding.
set -eu

if [ $# -lt 1 ]; then
  echo "usage: $0 SECONDS [TARGET...]" >&2
  exit 2
fi
seconds=$1
shift
here=$(cd "$(dirname "$0")" && pwd)
repo=$(cd "$here/../.." && pwd)
build=${FUZZ_BUILD_DIR:-$repo/build-fuzz}
jobs=${FUZZ_JOBS:-1}
targets=${*:-fuzz_sizing_scan fuzz_header_rows fuzz_dialogue fuzz_titled_file}

# -O1 without NDEBUG: the container index checks stay on while fuzzing.
cmake -S "$repo" -B "$build" -DCMAKE_CXX_COMPILER=clang++ -DSPOTWEAVE_FUZZ=ON -DSPOTWEAVE_TESTS=OFF \
  -DSPOTWEAVE_WERROR=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g" >/dev/null
# shellcheck disable=SC2086
cmake --build "$build" -j2 --target $targets

dict_of() {
  case $1 in
    fuzz_dialogue) echo "$here/dialogue.dict" ;;
    *) echo "$here/result_file.dict" ;;
  esac
}

run_one() {
  target=$1
  mkdir -p "$build/corpus/$target" "$build/artifacts"
  "$build/tests/fuzz/$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
    -dict="$(dict_of "$target")" -artifact_prefix="$build/artifacts/$target-" \
    "$build/corpus/$target" "$here/corpus/$target" >"$build/$target.log" 2>&1
}

status=0
running=0
pids=""
for target in $targets; do
  echo "fuzzing $target for $seconds s (log: $build/$target.log)"
  run_one "$target" &
  pids="$pids $!:$target"
  running=$((running + 1))
  if [ "$running" -ge "$jobs" ]; then
    for entry in $pids; do
      if ! wait "${entry%%:*}"; then
        echo "${entry#*:}: finding, see $build/${entry#*:}.log" >&2
        status=1
      fi
    done
    pids=""
    running=0
  fi
done
for entry in $pids; do
  if ! wait "${entry%%:*}"; then
    echo "${entry#*:}: finding, see $build/${entry#*:}.log" >&2
    status=1
  fi
done
for target in $targets; do
  grep -E '^stat::number_of_executed_units|^Done ' "$build/$target.log" | sed "s/^/$target: /" || true
done
exit $status
