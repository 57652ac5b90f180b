#!/usr/bin/env bash
# An interactive update of an installed 5.30 copy: typing its folder offers
# the update and the backup, the warnings follow the choice, the integration
# page is skipped, and the run writes its archive.
#
#   wizard_update.sh SETUP.exe DRIVER.exe LAUNCHER WORKDIR FIXTURES IPK5
set -uo pipefail
setup=$1 driver=$2 launcher=$3 work=$4 fixtures=$5
source "$(dirname "${BASH_SOURCE[0]}")/wizard.sh"

dest=$drive/e2e-wiz-5300
rm -rf "$work" "$dest" "$appdata/ZIVR"
mkdir -p "$work" "$appdata"
cp -r "$fixtures/v5300-peruser/Program" "$dest"
cp -r "$fixtures/v5300-peruser/AppData/." "$appdata/"
"$launcher" reg delete "$uninstall_key" /f >/dev/null 2>&1

start "$setup"
drive <<SCRIPT
wait${T}LanguageDialog${T}30000
click${T}LanguageDialog/OK
wait${T}PageWelcome${T}30000
click${T}bNext
wait${T}PageLicense
click${T}PageLicense/L1
click${T}bNext
wait${T}PageSetup
settext${T}PageSetup/PathEdit${T}C:\\e2e-wiz-5300
expect${T}PageSetup/CB1${T}checked
expect${T}PageSetup/CB4${T}checked
expect${T}PageSetup/CB2${T}disabled
wait${T}PageSetup/W1${T}3000
absent${T}PageSetup/W3
click${T}PageSetup/CB1
expect${T}PageSetup/CB4${T}hidden
expect${T}PageSetup/CB2${T}enabled
wait${T}PageSetup/W3${T}3000
absent${T}PageSetup/W1
click${T}PageSetup/CB1
wait${T}PageSetup/W1${T}3000
click${T}bNext
wait${T}PageReadyToInstall
expecttext${T}bNext${T}Install
click${T}bBack
wait${T}PageSetup
click${T}bNext
wait${T}PageReadyToInstall
click${T}bNext
wait${T}PageFinish${T}120000
click${T}PageFinish/CB1
expect${T}PageFinish/CB1${T}unchecked
click${T}bNext
SCRIPT
check "the update went through the wizard" test $? -eq 0
check "Setup.exe ends after Finish" ended 60
check "Setup.exe exits 0" test "$(exit_code)" = 0
check "the archive is written" \
  test -n "$(find "$dest/!Backup" -maxdepth 1 -name 'z Before install 5.62 *.zip' 2>/dev/null)"
check "the configuration has this version" grep -q 'Version=5620' <(config "$dest")
check "an update does not integrate again" test ! -e "$dest/Elevator.log"
check "an unticked player is not started" test ! -e "$dest/ZIVR.log"
cleanup_run

rm -rf "$dest" "$appdata/ZIVR"
"$launcher" reg delete "$uninstall_key" /f >/dev/null 2>&1
finish
