#!/usr/bin/env bash
# The system's main job: a print job through to its text file. Installs and builds what is
# missing, sets the system up in the project's Wine prefix (the driver folder, the product's
# printer, the core and the plug-ins registered, jobs saved as soon as they are rendered),
# prints a document through the whole capture chain (the printing program's EMF pages, the
# spooler and driver played by the driver host, the rendering module qlxnt, the relay qlxstub,
# the core, the text-with-layout format, the file transport), and shows where the text file
# is and its first lines. The default settings serve; nothing is configured by hand.
#
# Usage: scripts/demo.sh [DOCUMENT.txt|DOCUMENT.rtf|JOB.runs]
#   a text or RTF document of your own in place of scripts/sample-document.rtf; or a job
#   written as runs of text (see README), sent to the core's capture calls by qlxsend from a
#   process of its own, as the capture side sends a job.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
input=${1:-$here/sample-document.rtf}
[ -f "$input" ] || { echo "demo: no file $input" >&2; exit 2; }
input=$(cd "$(dirname "$input")" && pwd)/$(basename "$input")

"$here/install-deps.sh"
source "$here/trees.sh"
echo "== demo: building"
"$here/build.sh" "$qlx_main_tree" x86_64 >/dev/null
export QLX_PREFIX_NAME=demo-wineprefix
source "$here/wine-env.sh"
source "$here/system-setup.sh"
main="$qlx_build_root/$qlx_main_tree"
start_test_session
trap stop_test_session EXIT
win() { winepath -w "$1" 2>/dev/null; }

echo "== demo: setting the system up in $WINEPREFIX"
setup_system --autosave
documents=$(documents_folder)
marker="$qlx_build_root/demo.started"
touch "$marker"

case "$input" in
*.runs)
    echo "== demo: sending the runs of $input"
    wine "$main/capture/sender/qlxsend.exe" "$(win "$input")" | tr -d '\r'
    ;;
*)
    echo "== demo: printing $input"
    "$here/print-document.sh" "$input"
    ;;
esac

# The core renders and saves the job on threads of its own once it has the whole job.
output=""
for _ in $(seq 300); do
    output=$(find -L "$documents" -maxdepth 1 -type f -newer "$marker" -print -quit)
    [ -n "$output" ] && break
    sleep 0.2
done
[ -n "$output" ] || { echo "demo: no text file appeared in $documents" >&2; exit 1; }
# It may still be being written: wait until its size holds still.
size=-1
while [ "$size" != "$(stat -c %s "$output")" ]; do
    size=$(stat -c %s "$output")
    sleep 0.5
done
echo "== demo: the job's text is in $output"
echo "          ($(win "$output") in the prefix); its first lines:"
# The core's default character set is UTF-16 with a byte-order mark.
iconv -f UTF-16 -t UTF-8 "$output" 2>/dev/null | head -n 25 || head -n 25 "$output"
