#!/usr/bin/env bash
# The whole installation with the keyboard only: Enter for the default
# button, Tab to move, Space to tick the license's box.
#
#   wizard_keyboard.sh SETUP.exe DRIVER.exe LAUNCHER WORKDIR FIXTURES IPK5
set -uo pipefail
setup=$1 driver=$2 launcher=$3 work=$4
source "$(dirname "${BASH_SOURCE[0]}")/wizard.sh"

dest="$drive/Program Files/ZIVR"
rm -rf "$work" "$dest"
mkdir -p "$work"
"$launcher" reg delete "$uninstall_key" /f >/dev/null 2>&1

start "$setup"
drive <<SCRIPT
wait${T}LanguageDialog${T}30000
key${T}LanguageDialog${T}ENTER
wait${T}PageWelcome${T}30000
key${T}WizardForm${T}ENTER
wait${T}PageLicense
key${T}WizardForm${T}TAB
key${T}WizardForm${T}SPACE
expect${T}PageLicense/L1${T}checked
key${T}WizardForm${T}ENTER
wait${T}PageSetup
key${T}WizardForm${T}ENTER
wait${T}PageIntegration
key${T}WizardForm${T}ENTER
wait${T}PageReadyToInstall
key${T}WizardForm${T}ENTER
wait${T}PageFinish${T}120000
key${T}WizardForm${T}ENTER
waitgone${T}WizardForm${T}10000
SCRIPT
check "the keyboard drives the whole installation" test $? -eq 0
check "Setup.exe ends after Finish" ended 60
check "Setup.exe exits 0" test "$(exit_code)" = 0
check "the player is installed" test -f "$dest/ZIVR.exe"
for i in $(seq 1 50); do grep -q '^start' "$dest/ZIVR.log" 2>/dev/null && break; sleep 0.1; done
printf 'closeclass\tTZIVRMainForm\n' | "$launcher" "$driver" >/dev/null 2>&1
cleanup_run

"$launcher" "$dest/Uninstall.exe" /AUTO /SILENT >/dev/null 2>&1
"$launcher" --stop
rm -rf "$dest"
"$launcher" reg delete "$uninstall_key" /f >/dev/null 2>&1
finish
