#!/usr/bin/env bash
# One step of the install race (run.sh times these with hyperfine):
#
#   step.sh install-ours SETUP.exe     Setup.exe /AUTO /SILENT
#   step.sh install-nsis NSIS.exe      the peer installer, /S
#   step.sh remove-ours                Uninstall.exe /AUTO /SILENT, until its files are gone
#   step.sh remove-nsis                the peer's uninstaller, /S, until its files are gone
#   step.sh clean-ours | clean-nsis    forget an installation without running anything of it
#
# Environment: ZIVR_WINEPREFIX (run.sh sets it to the benchmark's own prefix).
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
wine=$root/tools/wine-run.sh
drive=${ZIVR_WINEPREFIX:?}/drive_c
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall'
ours=$drive/Program\ Files/ZIVR
peer=$drive/Program\ Files/ZIVR-NSIS

# Both uninstallers hand over to a copy in the temporary folder and return at
# once; the removal counts until the payload and the uninstaller are gone.
wait_gone() { # FOLDER
  local deadline=$((SECONDS + 900))
  while [[ -e $1/Uninstall.exe || -e $1/Data ]]; do
    ((SECONDS < deadline)) || { echo "step.sh: $1 still there after 900 s" >&2; exit 1; }
    sleep 0.01
  done
}

case "${1:-}" in
  install-ours) "$wine" "$2" /AUTO /SILENT ;;
  install-nsis) "$wine" "$2" /S ;;
  remove-ours)
    "$wine" 'C:\Program Files\ZIVR\Uninstall.exe' /AUTO /SILENT
    wait_gone "$ours" ;;
  remove-nsis)
    "$wine" 'C:\Program Files\ZIVR-NSIS\Uninstall.exe' /S
    wait_gone "$peer" ;;
  clean-ours)
    rm -rf "$ours" "$drive/users/$(id -un)/AppData/Roaming/ZIVR"
    "$wine" reg delete "$uninstall_key\\ZIVR" /f >/dev/null 2>&1 || true ;;
  clean-nsis)
    rm -rf "$peer"
    "$wine" reg delete "$uninstall_key\\ZIVR-NSIS" /f >/dev/null 2>&1 || true ;;
  *) echo "usage: step.sh install-ours|install-nsis EXE | remove-ours|remove-nsis|clean-ours|clean-nsis" >&2
     exit 2 ;;
esac
