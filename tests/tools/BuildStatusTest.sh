#!/usr/bin/env bash
# kx_build of tools/env.sh against a stand-in cmake: a failed build stops the run with a non-zero
# status before any test runs, a good one lets it go on, whatever the filter of its output keeps.
set -euo pipefail
top=$1
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
mkdir -p "$tmp/bin" "$tmp/build"
touch "$tmp/build/CMakeCache.txt"
cat > "$tmp/bin/cmake" <<'SCRIPT'
#!/bin/sh
echo "[ 50%] Building CXX object DlgAdjust.cpp.obj"
[ -n "$FAKE_CMAKE_QUIET" ] || echo "DlgAdjust.cpp:1:1: error: expected ';'"
exit "$FAKE_CMAKE_STATUS"
SCRIPT
chmod +x "$tmp/bin/cmake"

failures=0
# build STATUS QUIET: runs kx_build as ./run does (errexit and pipefail on); prints its output.
build() {
  (
    export PATH="$tmp/bin:$PATH" KX_BUILD_DIR="$tmp/build" FAKE_CMAKE_STATUS=$1 FAKE_CMAKE_QUIET=$2
    set -euo pipefail
    source "$top/tools/env.sh"
    kx_build
    echo "went on"
  ) 2>&1
}
expect() {   # what, expected status (0 or non-zero), output, pattern the output must hold
  local what=$1 want=$2 got=$3 out=$4 pattern=$5
  if { [ "$want" = 0 ] && [ "$got" != 0 ]; } || { [ "$want" != 0 ] && [ "$got" = 0 ]; } ||
     ! grep -q -- "$pattern" <<<"$out"; then
    echo "FAILED: $what: expected status $want and \"$pattern\", got status $got and:"
    sed 's/^/    /' <<<"$out"
    failures=$((failures + 1))
  fi
}

rc=0; out=$(build 2 "") || rc=$?
expect "a failed build" 1 "$rc" "$out" "build failed (status 2)"
if grep -q "went on" <<<"$out"; then echo "FAILED: the run went on after a failed build"; failures=$((failures + 1)); fi
rc=0; out=$(build 0 "") || rc=$?
expect "a good build" 0 "$rc" "$out" "went on"
expect "a good build shows the compiler's lines" 0 "$rc" "$out" "error: expected"
rc=0; out=$(build 0 1) || rc=$?
expect "a good build whose lines are all filtered out" 0 "$rc" "$out" "went on"
rc=0; out=$(build 1 1) || rc=$?
expect "a failed build whose lines are all filtered out" 1 "$rc" "$out" "build failed (status 1)"

[ "$failures" = 0 ] && echo "entry script: all cases passed"
exit "$failures"
