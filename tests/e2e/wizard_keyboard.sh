#!/usr/bin/env bash
# The whole installation with the keyboard only: Enter for the default
# button, Tab to move, Space to tick the license's box.
#
#   wizard_keyboard.sh SETUP.exe DRIVER.exe LAUNCHER WORKDIR FIXTURES IPK5
set -uo pipefail
setup=$1 driver=$2 launcher=$3 work=$4
source "$(dirname "${BASH_SOURCE[0]}")/wizard.sh"

dest="$drive/Program Files/ZIVR"
prepare "$dest"

start "$setup"
drive <<'SCRIPT'
window LanguageDialog 30000
key ENTER
window WizardForm 30000
wait PageWelcome 30000
key ENTER
wait PageLicense
key TAB
key SPACE
expect checked PageLicense/L1 1
key ENTER
wait PageSetup
key ENTER
wait PageIntegration
key ENTER
wait PageReadyToInstall
key ENTER
wait PageFinish 120000
key ENTER
gone 10000
SCRIPT
check "the keyboard drives the whole installation" test $? -eq 0
ends_well "Setup.exe after Finish"
check "the player is installed" test -f "$dest/ZIVR.exe"
for i in $(seq 1 50); do grep -q '^start' "$dest/ZIVR.log" 2>/dev/null && break; sleep 0.1; done
close_player
cleanup_run

"$launcher" "$dest/Uninstall.exe" /AUTO /SILENT >/dev/null 2>&1
"$launcher" --stop
forget "$dest"
finish
