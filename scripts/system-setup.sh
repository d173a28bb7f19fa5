# Sourced after wine-env.sh (with a prefix of its own, never the tests'), inside a test
# session: sets the system up in the prefix as the product's setup would, from the build of
# the main tree. Usage: setup_system [--autosave]
#   the driver folder C:\lettrix, the product's printer, the core and its proxies, the string
#   collection, the text-with-layout format and the file transport registered; --autosave
#   also has every job saved as soon as it is rendered (no user interface is needed then).
setup_system() {
    local main="$qlx_build_root/$qlx_main_tree" module
    wine "$main/platform/install/qlx_install.exe" "$@" 'C:\lettrix' | tr -d '\r'
    wine "$main/core/qlx_core.exe" /RegServer
    for module in core/qlx_core_ps.dll core/qlx_core_ps64.dll \
        platform/collection/qlx_collection.dll plugins/format/twl/qlx_plugin_2d.dll \
        plugins/transport/file/xfer_file.dll; do
        [ -f "$main/$module" ] || continue
        wine regsvr32 /s "$(winepath -w "$main/$module" 2>/dev/null)"
    done
}

# The Unix path of the user's documents folder in the prefix, where the file transport writes
# by default; made when it is missing.
documents_folder() {
    local folder
    folder=$(winepath -u "$(wine cmd /c echo '%USERPROFILE%\Documents' 2>/dev/null | tr -d '\r')")
    mkdir -p "$folder"
    echo "$folder"
}
