#!/usr/bin/env bash
# Configures and builds the trees (see trees.sh): i686 for the 32-bit deliverables and their
# tests, x86_64 for the driver modules and the 64-bit clients.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/.." && pwd)
source "$here/trees.sh"
for tree in "${qlx_build_trees[@]}"; do
    dir="$qlx_build_root/$tree"
    read -r toolchain options <<<"$(tree_settings "$tree")"
    # shellcheck disable=SC2086 # the options are separate words
    cmake -S "$root" -B "$dir" -G Ninja \
        -DCMAKE_TOOLCHAIN_FILE="$root/cmake/$toolchain.cmake" \
        -DCMAKE_BUILD_TYPE=Release $options >/dev/null
    echo "== build: $tree"
    cmake --build "$dir" -j"$(nproc)"
done
