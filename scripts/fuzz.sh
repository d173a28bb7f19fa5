#!/usr/bin/env bash
# Runs one fuzz target of the native tree for long: scripts/fuzz.sh TARGET [RUNS] [JOBS]
# (default 1000000 inputs over one process). Builds the native tree first. What it finds and
# the grown corpus stay in build/native/fuzz/TARGET.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/trees.sh"
target=${1:?usage: scripts/fuzz.sh TARGET [RUNS] [JOBS]}
runs=${2:-1000000}
jobs=${3:-1}
"$here/build.sh" native >/dev/null
dir="$qlx_build_root/native"
binary=$(find "$dir" -type f -name "$target" -perm -u+x | head -n 1)
[ -n "$binary" ] || { echo "no fuzz target $target" >&2; exit 2; }
corpus=$(ctest --test-dir "$dir" -R "^$target\$" --show-only=json-v1 |
    python3 -c 'import json,sys; t=json.load(sys.stdin)["tests"]; print(t[0]["command"][-1])')
work="$dir/fuzz/$target"
mkdir -p "$work"
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1:strict_string_checks=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
echo "== fuzz: $target, $runs inputs, corpus $corpus"
if [ "$jobs" -gt 1 ]; then
    "$binary" -runs="$runs" -jobs="$jobs" -workers="$jobs" -timeout=20 -rss_limit_mb=2048 \
        -artifact_prefix="$work/" -print_final_stats=1 "$work" "$corpus"
else
    "$binary" -runs="$runs" -timeout=20 -rss_limit_mb=2048 -artifact_prefix="$work/" \
        -print_final_stats=1 "$work" "$corpus"
fi
