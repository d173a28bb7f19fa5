#!/usr/bin/env bash
# Prints a text or RTF document through the whole capture chain under Wine: the printing
# program lays it out into EMF pages, the driver host spools them (the job's spool file in
# DriverPath\temp) and plays them on the rendering module qlxnt, which sends the job to the
# relay qlxstub or, with --direct, to the core itself. The relay is installed in the product's
# folder (DriverPath) and started for the job by the driver UI module qlx_drvui, which the
# driver host loads as the printing program's process has it. The core must be registered in
# the prefix and DriverPath set (qlx_install); this script starts nothing else.
#
# Usage: scripts/print-document.sh [--direct] [--job ID] [--printer NAME] [--name TITLE]
#            [--font FACE] [--size POINTS] [--justify] [--glyph-indices] DOCUMENT
# Runs inside a test session when one is running (DISPLAY and the prefix's wineserver), else
# starts one for itself. Exits with the driver host's exit code (0: the job was delivered).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/wine-env.sh"

job=$((RANDOM % 9000 + 1000))
printer="Quorvane Text Printer"
direct=0
name=""
layout=()
host=()
while [ $# -gt 1 ]; do
    case "$1" in
    --direct) direct=1 ;;
    --job) job=$2; shift ;;
    --printer) printer=$2; shift ;;
    --name) name=$2; shift ;;
    --font | --size) layout+=("$1" "$2"); shift ;;
    --justify) layout+=("$1") ;;
    --glyph-indices) layout+=("$1"); host+=("$1") ;;
    *) echo "print-document: unknown option $1" >&2; exit 2 ;;
    esac
    shift
done
[ $# -eq 1 ] || { sed -n '8,9p' "$0" >&2; exit 2; }
document=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
[ -f "$document" ] || { echo "print-document: no file $1" >&2; exit 2; }
[ -n "$name" ] || name=$(basename "$document")

drvhost="$qlx_build_root/x86_64/drvhost"
relay="$qlx_build_root/$qlx_main_tree/capture/relay/qlxstub.exe"
ui_module="$qlx_build_root/x86_64/capture/drvui/qlx_drvui.dll"
for f in "$drvhost/qlx_printdoc.exe" "$drvhost/qlx_drvhost.exe" "$drvhost/qlxnt_hosted.dll" \
    "$relay" "$ui_module"; do
    [ -f "$f" ] || { echo "print-document: $f is not built (scripts/build.sh)" >&2; exit 2; }
done

own_session=0
if [ -z "${DISPLAY:-}" ]; then
    start_test_session
    own_session=1
fi

win() { winepath -w "$1" 2>/dev/null; }
pages_dir=$(mktemp -d "$qlx_build_root/print-document.XXXXXX")
cleanup() {
    rm -rf "$pages_dir"
    [ "$own_session" -eq 0 ] || stop_test_session
}
trap cleanup EXIT

mapfile -t pages < <(wine "$drvhost/qlx_printdoc.exe" "${layout[@]}" "$(win "$document")" \
    "$(win "$pages_dir")" | tr -d '\r')
[ ${#pages[@]} -gt 0 ] || { echo "print-document: the document gave no pages" >&2; exit 1; }
echo "== print-document: ${#pages[@]} page(s) of $name as job $job on \"$printer\""

# The relay where setup installs it, the product's folder, from which the UI module starts it.
install_relay() {
    local folder unix
    folder=$(wine reg query 'HKLM\Software\Quorvane\Lettrix' /v DriverPath /reg:32 2>/dev/null |
        tr -d '\r' | sed -n 's/^ *DriverPath *REG_SZ *//p')
    [ -n "$folder" ] || folder='c:\'
    unix=$(winepath -u "$folder" 2>/dev/null)
    [ -d "$unix" ] || { echo "print-document: no product folder $folder (qlx_install)" >&2; exit 2; }
    cp "$relay" "$unix/qlxstub.exe"
}
if [ "$direct" -eq 0 ]; then
    install_relay
    host+=(--ui-module "$(win "$ui_module")")
fi
status=0
wine "$drvhost/qlx_drvhost.exe" --module "$(win "$drvhost/qlxnt_hosted.dll")" \
    --job "$job" --printer "$printer" --document "$name" "${host[@]}" "${pages[@]}" || status=$?
echo "== print-document: driver host ended with $status"
exit "$status"
