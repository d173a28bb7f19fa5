# Sourced by the scripts: the build trees of this host. The main tree (the 32-bit deliverables)
# is i686 and the driver tree x86_64. A host whose kernel cannot run 32-bit programs (Wine's
# 32-bit loader does not start there) also builds the main tree 64-bit as x86_64-main, and runs
# its tests and the driver tree's against it in place of the i686 tree's.
qlx_build_root="${QLX_BUILD_DIR:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)/build}"

host_runs_32bit() {
    /usr/lib/wine/wine --version >/dev/null 2>&1
}

if host_runs_32bit; then
    qlx_main_tree=i686
else
    qlx_main_tree=x86_64-main
fi
qlx_build_trees=(i686 x86_64)
[ "$qlx_main_tree" = i686 ] || qlx_build_trees+=("$qlx_main_tree")
# The native tree (clang, sanitizers, fuzzers) builds the platform-neutral code alone.
qlx_build_trees+=(native)
qlx_test_trees=("$qlx_main_tree" x86_64 native)

# The cache settings of a tree.
tree_settings() {
    local toolchain="-DCMAKE_TOOLCHAIN_FILE=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)/cmake"
    case "$1" in
    i686) echo "$toolchain/mingw-i686.cmake" -DCMAKE_BUILD_TYPE=Release ;;
    x86_64)
        echo "$toolchain/mingw-x86_64.cmake" -DCMAKE_BUILD_TYPE=Release \
            "-DQLX_MAIN_TREE_DIR=$qlx_build_root/$qlx_main_tree"
        ;;
    x86_64-main) echo "$toolchain/mingw-x86_64.cmake" -DCMAKE_BUILD_TYPE=Release -DQLX_DRIVER_TREE=OFF ;;
    native) echo -DQLX_NATIVE=ON -DCMAKE_C_COMPILER=clang-14 -DCMAKE_CXX_COMPILER=clang++-14 ;;
    # The native tree without the sanitizers, for scripts/bench.sh only.
    native-bench)
        echo -DQLX_NATIVE=ON -DQLX_SANITIZE=OFF -DCMAKE_BUILD_TYPE=Release \
            -DCMAKE_C_COMPILER=clang-14 -DCMAKE_CXX_COMPILER=clang++-14
        ;;
    esac
}
