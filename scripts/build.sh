#!/usr/bin/env bash
# Configures (once) and builds both trees: i686 for the 32-bit deliverables and the tests,
# x86_64 for the driver modules and the common code's 64-bit tests.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/.." && pwd)
for tree in i686 x86_64; do
    dir="${QLX_BUILD_DIR:-$root/build}/$tree"
    if [ ! -f "$dir/build.ninja" ]; then
        cmake -S "$root" -B "$dir" -G Ninja \
            -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-$tree.cmake" \
            -DCMAKE_BUILD_TYPE=Release >/dev/null
    fi
    echo "== build: $tree"
    cmake --build "$dir" -j"$(nproc)"
done
