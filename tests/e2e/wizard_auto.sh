#!/usr/bin/env bash
# Unattended runs with a window: /AUTO without /SILENT shows only the progress
# and finish pages, starts by itself and closes by itself; /AUTO /UPDATE
# /SILENT over an updatable copy shows the same window (the update ignores
# SILENT there).
#
#   wizard_auto.sh SETUP.exe DRIVER.exe LAUNCHER WORKDIR FIXTURES
set -uo pipefail
setup=$1 driver=$2 launcher=$3 work=$4 fixtures=$5
source "$(dirname "${BASH_SOURCE[0]}")/wizard.sh"

prepare "$drive/ZIVR-auto" "$drive/e2e-auto-5300"

# The first window is the wizard's: no language dialog comes before it.
start "$setup" '/AUTO=C:\ZIVR-auto'
drive <<'SCRIPT'
window WizardForm 30000
wait PageInstall 30000
absent PageWelcome
absent PageSetup
gone 120000
SCRIPT
check "the AUTO wizard shows progress and closes by itself" test $? -eq 0
ends_well "the AUTO run"
check "the AUTO run installed the player" test -f "$drive/ZIVR-auto/ZIVR.exe"
check "the AUTO run integrated" test -f "$drive/ZIVR-auto/Elevator.log"
cleanup_run

# An installed 5.30 copy updated with /AUTO /UPDATE /SILENT: the window shows.
rm -rf "$appdata/ZIVR"
cp -r "$fixtures/v5300-peruser/Program" "$drive/e2e-auto-5300"
mkdir -p "$appdata" && cp -r "$fixtures/v5300-peruser/AppData/." "$appdata/"
forget
start "$setup" '/AUTO=C:\e2e-auto-5300' /UPDATE /SILENT
drive <<'SCRIPT'
window WizardForm 30000
wait PageInstall 30000
gone 120000
SCRIPT
check "the update shows its progress and closes by itself" test $? -eq 0
ends_well "the update"
check "the update wrote its archive" \
  test -n "$(find "$drive/e2e-auto-5300/!Backup" -maxdepth 1 -name 'z Before install 5.62 *.zip' 2>/dev/null)"
check "the updated configuration" grep -q 'Version=5620' <(config "$drive/e2e-auto-5300")
cleanup_run

forget "$drive/ZIVR-auto" "$drive/e2e-auto-5300" "$appdata/ZIVR"
finish
