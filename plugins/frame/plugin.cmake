# qlx_add_plugin(NAME DESCRIPTION text [BITMAP_ID id] [BITMAP file] PAGES id:width:height...
#                SOURCES ... [LIBS ...])
# A plug-in library built on the frame: its sources, the four exports over the class table it
# defines (kPluginClasses), and its resources: the version block (6.0.0.0, "OLESelfRegister",
# the file description), string 100 (the library's name), the toolbox bitmap and one empty
# settings-page dialog per PAGES entry (dialog units).
set(QLX_FRAME_DIR ${CMAKE_CURRENT_LIST_DIR} CACHE INTERNAL "The plug-in frame's sources")

function(qlx_add_plugin name)
    cmake_parse_arguments(P "" "DESCRIPTION;BITMAP_ID;BITMAP" "PAGES;SOURCES;LIBS" ${ARGN})
    if(NOT P_BITMAP_ID)
        set(P_BITMAP_ID 101)
    endif()
    if(NOT P_BITMAP)
        set(P_BITMAP ${QLX_FRAME_DIR}/toolbox.bmp)
    endif()
    set(pages "")
    foreach(page ${P_PAGES})
        string(REPLACE ":" ";" parts ${page})
        list(GET parts 0 id)
        list(GET parts 1 width)
        list(GET parts 2 height)
        string(APPEND pages "${id} DIALOGEX 0, 0, ${width}, ${height}\n"
            "STYLE WS_CHILD | DS_SETFONT\n"
            "EXSTYLE WS_EX_CONTROLPARENT | WS_EX_STATICEDGE\n"
            "FONT 8, \"MS Sans Serif\"\n"
            "BEGIN\nEND\n\n")
    endforeach()
    set(QLX_PLUGIN_NAME ${name})
    set(QLX_PLUGIN_DESCRIPTION ${P_DESCRIPTION})
    set(QLX_PLUGIN_BITMAP_ID ${P_BITMAP_ID})
    set(QLX_PLUGIN_BITMAP ${P_BITMAP})
    set(QLX_PLUGIN_PAGES ${pages})
    set(rc ${CMAKE_CURRENT_BINARY_DIR}/${name}_plugin.rc)
    configure_file(${QLX_FRAME_DIR}/plugin.rc.in ${rc} @ONLY)

    add_library(${name} SHARED ${P_SOURCES} ${QLX_FRAME_DIR}/plugin_exports.cpp
        ${QLX_FRAME_DIR}/plugin.def ${rc})
    set_source_files_properties(${rc} PROPERTIES OBJECT_DEPENDS ${P_BITMAP})
    target_link_libraries(${name} PRIVATE qlx_frame ${P_LIBS})
    target_link_options(${name} PRIVATE -Wl,--enable-stdcall-fixup)
endfunction()
