#!/usr/bin/env bash
# Runs the Windows tests of one build (i686 or x86_64) under Wine: its own Xvfb, the prefix
# build/wineprefix-<build> (made once, kept), ctest in build/<build>. ctest's output goes to
# build/ctest-<build>.log; the exit code is ctest's. Extra arguments go to ctest. A test may
# take VORLANE_CTEST_TIMEOUT seconds (1200; more on an emulated machine).
#   scripts/lib/windows-tier.sh BUILD [CTEST-ARG...]
set -uo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
cd "$root"
build=$1
shift
export VORLANE_WINEPREFIX=${VORLANE_WINEPREFIX:-$root/build/wineprefix-$build}
source scripts/lib/wine-env.sh
trap vorlane_wine_down EXIT
vorlane_wine_up --own-display || exit 1
cd "build/$build" && ctest --output-on-failure --timeout "${VORLANE_CTEST_TIMEOUT:-1200}" "$@" >"$root/build/ctest-$build.log" 2>&1
