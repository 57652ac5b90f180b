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

rm -rf "$work" "$drive/ZIVR-auto" "$drive/e2e-auto-5300"
mkdir -p "$work"
"$launcher" reg delete "$uninstall_key" /f >/dev/null 2>&1

start "$setup" '/AUTO=C:\ZIVR-auto'
drive <<SCRIPT
wait${T}PageInstall${T}30000
absent${T}LanguageDialog
absent${T}PageWelcome
absent${T}PageSetup
waitgone${T}WizardForm${T}120000
SCRIPT
check "the AUTO wizard shows progress and closes by itself" test $? -eq 0
check "the AUTO run ends" ended 60
check "the AUTO run exits 0" test "$(exit_code)" = 0
check "the AUTO run installed the player" test -f "$drive/ZIVR-auto/ZIVR.exe"
check "the AUTO run integrated" test -f "$drive/ZIVR-auto/Elevator.log"
cleanup_run

# An installed 5.30 copy updated with /AUTO /UPDATE /SILENT: the window shows.
rm -rf "$appdata/ZIVR"
cp -r "$fixtures/v5300-peruser/Program" "$drive/e2e-auto-5300"
mkdir -p "$appdata" && cp -r "$fixtures/v5300-peruser/AppData/." "$appdata/"
"$launcher" reg delete "$uninstall_key" /f >/dev/null 2>&1
start "$setup" '/AUTO=C:\e2e-auto-5300' /UPDATE /SILENT
drive <<SCRIPT
wait${T}PageInstall${T}30000
waitgone${T}WizardForm${T}120000
SCRIPT
check "the update shows its progress and closes by itself" test $? -eq 0
check "the update ends" ended 60
check "the update exits 0" test "$(exit_code)" = 0
check "the update wrote its archive" \
  test -n "$(find "$drive/e2e-auto-5300/!Backup" -maxdepth 1 -name 'z Before install 5.62 *.zip' 2>/dev/null)"
check "the updated configuration" grep -q 'Version=5620' <(config "$drive/e2e-auto-5300")
cleanup_run

rm -rf "$drive/ZIVR-auto" "$drive/e2e-auto-5300" "$appdata/ZIVR"
"$launcher" reg delete "$uninstall_key" /f >/dev/null 2>&1
finish
