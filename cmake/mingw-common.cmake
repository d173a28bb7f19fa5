# Shared by both toolchain files; QLX_TRIPLE names the target.
set(CMAKE_C_COMPILER ${QLX_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${QLX_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${QLX_TRIPLE}-windres)
set(QLX_WIDL ${QLX_TRIPLE}-widl)
set(CMAKE_FIND_ROOT_PATH /usr/${QLX_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

# Programs built here run under Wine in the project's own prefix.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run.sh)
