#!/usr/bin/env bash
# Configures and builds the trees (see trees.sh): i686 for the 32-bit deliverables and their
# tests, x86_64 for the driver modules and the 64-bit clients, native for the platform-neutral
# code under the sanitizers. Usage: scripts/build.sh [TREE...] (default: every tree).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/.." && pwd)
source "$here/trees.sh"
trees=("$@")
[ ${#trees[@]} -gt 0 ] || trees=("${qlx_build_trees[@]}")
for tree in "${trees[@]}"; do
    dir="$qlx_build_root/$tree"
    # shellcheck disable=SC2046 # the settings are separate words
    cmake -S "$root" -B "$dir" -G Ninja $(tree_settings "$tree") >/dev/null
    echo "== build: $tree"
    cmake --build "$dir" -j"$(nproc)"
done
