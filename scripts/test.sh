#!/usr/bin/env bash
# Installs what is missing, builds the trees and runs every test under Wine.
# Exits non-zero when anything fails. Usage: scripts/test.sh [ctest arguments...]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
jobs=$(nproc)

now() { date +%s; }
t0=$(now)

"$here/install-deps.sh"
t1=$(now)

"$here/build.sh"
t2=$(now)

source "$here/wine-env.sh"
start_test_session
trap stop_test_session EXIT

status=0
for tree in "${qlx_test_trees[@]}"; do
    echo "== tests: $tree"
    [ -f "$qlx_build_root/$tree/CTestTestfile.cmake" ] || continue
    ctest --test-dir "$qlx_build_root/$tree" -j"$jobs" --output-on-failure --timeout 120 \
        --output-log "$qlx_build_root/$tree/ctest.log" "$@" || status=1
done
t3=$(now)

stop_test_session
trap - EXIT
echo "== time: install $((t1 - t0))s, build $((t2 - t1))s, tests $((t3 - t2))s"
[ "$status" -eq 0 ] && echo "== all tests passed" || echo "== TESTS FAILED"
exit "$status"
