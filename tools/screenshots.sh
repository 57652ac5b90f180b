#!/usr/bin/env bash
# Screenshots of every dialog of the program, light and dark, taken from the
# real programs under Wine with a virtual display by the UI driver, into
# docs/screenshots/. Refresh them with one command after a win64 build:
#
#   bash tools/screenshots.sh [BUILD_DIR]      (default build/win64)
set -uo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${1:-$root/build/win64}
export ZIVR_UI_WINEPREFIX=${ZIVR_UI_WINEPREFIX:-$root/build/wine-shots}
. "$root/tests/ui/lib.sh"
SETUP=$build/Setup.exe DRIVER=$build/tests/ui/zuxdrive.exe DIALOGS=$build/tests/ui/zuxdialogs.exe
shots=$root/docs/screenshots
work=$build/screenshots
mkdir -p "$shots" "$work"
for f in "$SETUP" "$DRIVER" "$DIALOGS"; do [ -f "$f" ] || { echo "missing $f: build win64 first"; exit 1; }; done

# Wine draws the window frames itself (there is no window manager).
"$W" reg add 'HKCU\Software\Wine\X11 Driver' /v Decorated /t REG_SZ /d N /f >/dev/null 2>&1
set_dpi 96
prefix=$("$W" --prefix)
mkdir -p "$prefix/drive_c/Program Files/ZIVR"

shot() { # NAME WINDOW "CLOSING COMMANDS" PROGRAM ARGS...
  local name=$1 window=$2 closing=$3
  shift 3
  session "$work/out" "window $window 20000; sleep 300; shot $shots/$name-$mode.png; $closing" "$@"
  check "$name ($mode)" [ "$drive_rc" -eq 0 ]
}

for mode in light dark; do
  set_dark "$([ $mode = dark ] && echo 1 || echo 0)"
  ZIVR_WINE_LOCALE=de_DE.UTF-8 shot language LanguageDialog \
    "key ENTER; window MessageDialog; key ENTER" "$SETUP"
  shot error MessageDialog "key ENTER" "$DIALOGS" msg 0x10 \
    "Cannot locate \"header.png\" file in setup archive"
  shot question MessageDialog "key ESCAPE" "$DIALOGS" msg 0x121 \
    "Do you really want to cancel the installation?"
  shot locked-file MessageDialog "key ESCAPE; click Ignore" "$DIALOGS" msg 0x132 \
    "The file C:\\Program Files\\ZIVR\\ZIVR.exe is in use. Close the program and press Retry."
  shot license ViewerForm "key ENTER" "$DIALOGS" viewer "$root/demo/setup/License_en.rtf"
  shot folder-picker FolderPicker "key ESCAPE" "$DIALOGS" picker 'C:\Program Files\ZIVR'
  shot controls ControlsForm "close" "$DIALOGS" controls
done
set_dark 0
finish
