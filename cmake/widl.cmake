# qlx_add_idl(NAME IDL file [TLB LIBID guid] [PROXY] [DEPENDS files...] [INCLUDES dirs...]
#             [LIBDIRS dirs...])
# Runs widl on an IDL of the current source folder. Makes the static library NAME with the
# generated header (include folder: the current binary folder) and the GUID definitions
# (<stem>_i.c). TLB also writes <stem>.tlb and checks that its library id is LIBID (widl has
# written corrupted ids); the path is the target property QLX_TLB. PROXY also writes the
# -Oicf proxy/stub code and dlldata.c; their paths are the target property QLX_PROXY_SOURCES.
# INCLUDES are searched for imported IDL files, LIBDIRS for type libraries named by importlib.
if(CMAKE_SYSTEM_PROCESSOR STREQUAL "x86_64")
    set(QLX_WINE_LIBS /usr/lib/x86_64-linux-gnu/wine/x86_64-windows)
else()
    set(QLX_WINE_LIBS /usr/lib/i386-linux-gnu/wine/i386-windows)
endif()
set(QLX_WIDL_SYSTEM_IDL /usr/include/wine/wine/windows CACHE PATH "System IDL files for widl")
set(QLX_TLB_CHECK ${CMAKE_CURRENT_LIST_DIR}/check_tlb_libid.cmake)

function(qlx_add_idl name)
    cmake_parse_arguments(I "TLB;PROXY" "IDL;LIBID" "DEPENDS;INCLUDES;LIBDIRS" ${ARGN})
    get_filename_component(stem ${I_IDL} NAME_WE)
    set(src ${CMAKE_CURRENT_SOURCE_DIR}/${I_IDL})
    set(out ${CMAKE_CURRENT_BINARY_DIR})
    set(widl ${QLX_WIDL} -I ${QLX_WIDL_SYSTEM_IDL} -I ${CMAKE_CURRENT_SOURCE_DIR}
        -L ${QLX_WINE_LIBS})
    foreach(dir ${I_INCLUDES})
        list(APPEND widl -I ${dir})
    endforeach()
    foreach(dir ${I_LIBDIRS})
        list(APPEND widl -L ${dir})
    endforeach()
    set(deps ${src} ${I_DEPENDS})

    add_custom_command(OUTPUT ${out}/${stem}.h ${out}/${stem}_i.c
        COMMAND ${widl} -h -H ${out}/${stem}.h ${src}
        COMMAND ${widl} -u -U ${out}/${stem}_i.c ${src}
        DEPENDS ${deps} VERBATIM)
    set(outputs ${out}/${stem}.h)

    if(I_TLB)
        if(NOT I_LIBID)
            message(FATAL_ERROR "qlx_add_idl(${name}): TLB needs LIBID")
        endif()
        add_custom_command(OUTPUT ${out}/${stem}.tlb
            COMMAND ${widl} -t -T ${out}/${stem}.tlb ${src}
            COMMAND ${CMAKE_COMMAND} -DTLB=${out}/${stem}.tlb -DLIBID=${I_LIBID}
                -P ${QLX_TLB_CHECK}
            DEPENDS ${deps} ${QLX_TLB_CHECK} VERBATIM)
        list(APPEND outputs ${out}/${stem}.tlb)
    endif()

    if(I_PROXY)
        add_custom_command(OUTPUT ${out}/${stem}_p.c ${out}/${stem}_dlldata.c
            COMMAND ${widl} -Oicf -p -P ${out}/${stem}_p.c ${src}
            COMMAND ${widl} --dlldata-only --dlldata=${out}/${stem}_dlldata.c ${stem}
            DEPENDS ${deps} VERBATIM)
        list(APPEND outputs ${out}/${stem}_p.c)
    endif()

    add_custom_target(${name}_generated DEPENDS ${outputs})
    add_library(${name} STATIC ${out}/${stem}_i.c)
    add_dependencies(${name} ${name}_generated)
    target_include_directories(${name} PUBLIC ${out})
    target_link_libraries(${name} PUBLIC uuid ole32 oleaut32)
    if(I_TLB)
        set_target_properties(${name} PROPERTIES QLX_TLB ${out}/${stem}.tlb)
    endif()
    if(I_PROXY)
        set_target_properties(${name} PROPERTIES
            QLX_PROXY_SOURCES "${out}/${stem}_p.c;${out}/${stem}_dlldata.c")
    endif()
endfunction()
