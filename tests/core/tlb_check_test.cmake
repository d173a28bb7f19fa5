# Runs the library id check on a copy of TLB with LIBID (one byte off the real id); the check
# must fail and remove the copy. Then the real id on a fresh copy must pass.
get_filename_component(dir ${TLB} DIRECTORY)
set(copy ${dir}/libid_check_copy.tlb)
configure_file(${TLB} ${copy} COPYONLY)
execute_process(COMMAND ${CMAKE_COMMAND} -DTLB=${copy} -DLIBID=${LIBID} -P ${CHECK}
    RESULT_VARIABLE refused OUTPUT_QUIET ERROR_QUIET)
if(refused EQUAL 0)
    message(FATAL_ERROR "the check accepted the library id ${LIBID}")
endif()
if(EXISTS ${copy})
    message(FATAL_ERROR "the refused type library was left in place")
endif()
configure_file(${TLB} ${copy} COPYONLY)
execute_process(COMMAND ${CMAKE_COMMAND} -DTLB=${copy} -DLIBID=BC678B20-47F5-4568-B845-98B0CC29928B
    -P ${CHECK} RESULT_VARIABLE accepted)
file(REMOVE ${copy})
if(NOT accepted EQUAL 0)
    message(FATAL_ERROR "the check refused the right library id")
endif()
