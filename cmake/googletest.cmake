# GoogleTest from the system's sources, built by the cross toolchain (before the project's
# own warning flags, which are not meant for it).
set(QLX_GTEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest sources")
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
add_subdirectory(${QLX_GTEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
include(GoogleTest)

# qlx_add_test(NAME SOURCES ... [LIBS ...] [LOCKS ...] [TIMEOUT s] [ENVIRONMENT VAR=value...])
# One test program; every test case in it becomes a ctest test, run under Wine.
# LOCKS names shared state (registry keys, files) that test cases of several programs use.
# ENVIRONMENT is set for the test cases (and for Wine, which reads WINEDLLOVERRIDES from it).
function(qlx_add_test name)
    cmake_parse_arguments(T "" "TIMEOUT" "SOURCES;LIBS;LOCKS;ENVIRONMENT" ${ARGN})
    if(NOT T_TIMEOUT)
        set(T_TIMEOUT 60)
    endif()
    add_executable(${name} ${T_SOURCES})
    target_link_libraries(${name} PRIVATE qlx_test_support ${T_LIBS} gmock gtest)
    set(props TIMEOUT ${T_TIMEOUT})
    # Every test that changes what the shared prefix holds takes one lock: a list of locks
    # does not survive the discovery script, and a joined name would lock nothing.
    if(T_LOCKS)
        list(APPEND props RESOURCE_LOCK shared_prefix)
    endif()
    if(T_ENVIRONMENT)
        list(APPEND props ENVIRONMENT "${T_ENVIRONMENT}")
    endif()
    gtest_discover_tests(${name}
        DISCOVERY_MODE PRE_TEST
        DISCOVERY_TIMEOUT 60
        TEST_PREFIX "${name}."
        PROPERTIES ${props})
endfunction()
