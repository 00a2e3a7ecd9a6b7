#!/bin/sh
# Installs what a fresh Debian machine lacks for building; with "test", for
# testing too; with "clang", the Clang compiler and its runtime libraries;
# with "browser", chromium for the test that draws report.html; with "format",
# clang-format for the style check; with "r", R with limma and Hmisc for the
# checks that hold the analysis against R.
# Needs root when something is missing.
set -e
need=""
command -v cmake >/dev/null 2>&1 || need="$need cmake"
command -v g++ >/dev/null 2>&1 || need="$need g++"
command -v make >/dev/null 2>&1 || need="$need make"
# The command-line parser, header-only, compiled in.
[ -f /usr/include/CLI/CLI.hpp ] || need="$need libcli11-dev"
for part in "$@"; do
    case "$part" in
        test)
            [ -f /usr/include/gtest/gtest.h ] || need="$need libgtest-dev"
            # The independent model that checks runs on real result files.
            command -v python3 >/dev/null 2>&1 || need="$need python3"
            ;;
        browser)
            # The headless browser that draws report.html in the page test.
            command -v chromium >/dev/null 2>&1 || need="$need chromium"
            ;;
        r)
            # R and the packages the analysis checks compare with (tests/r).
            command -v Rscript >/dev/null 2>&1 || need="$need r-base-core"
            for package in limma:r-bioc-limma Hmisc:r-cran-hmisc; do
                command -v Rscript >/dev/null 2>&1 &&
                    Rscript -e "quit(status = if (requireNamespace('${package%%:*}', quietly = TRUE)) 0 else 1)" \
                        >/dev/null 2>&1 || need="$need ${package#*:}"
            done
            ;;
        format)
            # The house style of the sources, checked in CI.
            command -v clang-format >/dev/null 2>&1 || need="$need clang-format"
            ;;
        clang)
            command -v clang++ >/dev/null 2>&1 || need="$need clang"
            # The sanitizer and fuzzer runtimes of the clang builds.
            ls /usr/lib/llvm-14/lib/clang/*/lib/linux/libclang_rt.fuzzer-x86_64.a >/dev/null 2>&1 ||
                need="$need libclang-rt-14-dev"
            ;;
    esac
done
if [ -n "$need" ]; then
    echo "installing:$need"
    if [ "$(id -u)" = 0 ]; then sudo=""; else sudo="sudo"; fi
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq $need
fi
