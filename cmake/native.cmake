# The native tree: code that needs no Windows header (parsers, layout, macro scanning, escaping,
# conversions), built with clang under AddressSanitizer and UndefinedBehaviorSanitizer, with
# its unit tests and libFuzzer targets. The same libraries are compiled into the deliverables by
# the MinGW trees. Each neutral library lists its folder and its tests' folder below.
set(CMAKE_CXX_STANDARD 17)
set(CMAKE_CXX_STANDARD_REQUIRED ON)
set(CMAKE_CXX_EXTENSIONS OFF)
if(NOT CMAKE_BUILD_TYPE)
    set(CMAKE_BUILD_TYPE RelWithDebInfo)
endif()

# QLX_SANITIZE OFF builds the same code plain, for speed figures (scripts/bench.sh): the
# sanitizers' allocator would be what they measure.
option(QLX_SANITIZE "Build under AddressSanitizer and UndefinedBehaviorSanitizer" ON)
if(QLX_SANITIZE)
    set(qlx_sanitizers -fsanitize=address,undefined -fno-sanitize-recover=all
        -fno-omit-frame-pointer)
else()
    set(qlx_sanitizers "")
endif()

enable_testing()
# GoogleTest before the sanitizer and warning flags, which are not meant for it; it is linked
# into sanitized programs, which is sound for ASan and UBSan.
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
include(GoogleTest)

add_compile_options(${qlx_sanitizers} -Wall -Wextra)
add_link_options(${qlx_sanitizers})
add_compile_definitions(QLX_NATIVE=1)

# Debian's Python, with the packages scripts/install-deps.sh installs, for tests that drive a
# native program against a real peer (not a Python of the user's own).
find_program(QLX_PYTHON python3 PATHS /usr/bin NO_DEFAULT_PATH REQUIRED)

set(qlx_sanitizer_env
    "ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:strict_string_checks=1:detect_stack_use_after_return=1"
    "UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1")

# qlx_add_native_test(NAME SOURCES ... [LIBS ...])
# One GoogleTest program; each test case becomes a ctest test.
function(qlx_add_native_test name)
    cmake_parse_arguments(T "" "" "SOURCES;LIBS" ${ARGN})
    add_executable(${name} ${T_SOURCES})
    target_link_libraries(${name} PRIVATE ${T_LIBS} gmock gtest_main)
    gtest_discover_tests(${name}
        DISCOVERY_TIMEOUT 60
        TEST_PREFIX "${name}."
        PROPERTIES TIMEOUT 120 ENVIRONMENT "${qlx_sanitizer_env}")
endfunction()

# qlx_add_fuzzer(NAME SOURCES ... [LIBS ...] CORPUS dir [SECONDS n])
# A libFuzzer target (LLVMFuzzerTestOneInput). The test command runs it for a few seconds,
# seeded from the checked-in corpus; what it finds goes to a folder of the build, never into
# the sources. scripts/fuzz.sh runs one target for long.
set(QLX_FUZZ_SECONDS 5 CACHE STRING "How long the test command runs each fuzz target")
function(qlx_add_fuzzer name)
    cmake_parse_arguments(F "" "CORPUS;SECONDS" "SOURCES;LIBS" ${ARGN})
    if(NOT F_SECONDS)
        set(F_SECONDS ${QLX_FUZZ_SECONDS})
    endif()
    add_executable(${name} ${F_SOURCES})
    target_compile_options(${name} PRIVATE -fsanitize=fuzzer)
    target_link_options(${name} PRIVATE -fsanitize=fuzzer)
    target_link_libraries(${name} PRIVATE ${F_LIBS})
    set(found ${CMAKE_CURRENT_BINARY_DIR}/${name}_found)
    add_test(NAME ${name}
        COMMAND sh -c "mkdir -p \"$1\" && exec \"$2\" -max_total_time=$3 -timeout=20 \
-rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix=\"$1/\" \"$1\" \"$4\""
            sh ${found} $<TARGET_FILE:${name}> ${F_SECONDS} ${F_CORPUS})
    set_tests_properties(${name} PROPERTIES
        TIMEOUT 300 LABELS fuzz ENVIRONMENT "${qlx_sanitizer_env}")
endfunction()

# The neutral libraries and their tests, source folder first.
set(qlx_native_dirs
    capture/text_extraction tests/capture/text_extraction
    core/macros tests/core/macros
    core/pages tests/core/pages
    platform/drvhost/spool_file tests/platform/drvhost/spool_file
    plugins/transport/mail/text tests/plugins/transport/mail/text
    plugins/transport/prn/logic tests/plugins/transport/prn/logic
    plugins/transport/http/request tests/plugins/transport/http/request
    capture/protocol tests/capture/protocol
    capture/runs tests/capture/runs
    plugins/format/model tests/plugins/format/model
    plugins/format/twl tests/plugins/format/twl
    plugins/transport/file/names
    tests/plugins/transport/file/names
    plugins/format/xml tests/plugins/format/xml
    plugins/format/rss tests/plugins/format/rss
)
foreach(dir ${qlx_native_dirs})
    add_subdirectory(${dir})
endforeach()
