#!/bin/sh
# Runs a Windows program of the build under Wine in the project's private prefix.
here=$(cd "$(dirname "$0")" && pwd)
export WINEPREFIX="${QLX_WINEPREFIX:-$here/../build/wineprefix}"
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
exec wine "$@"
