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
prepare "$dest" "$appdata/ZIVR"
mkdir -p "$appdata"
cp -r "$fixtures/v5300-peruser/Program" "$dest"
cp -r "$fixtures/v5300-peruser/AppData/." "$appdata/"

start "$setup"
{ to_options; cat <<'SCRIPT'; install_unlaunched; } | drive
type PageSetup/PathEdit C:\e2e-wiz-5300
expect checked PageSetup/CB1 1
expect checked PageSetup/CB4 1
expect enabled PageSetup/CB2 0
wait PageSetup/W1 3000
absent PageSetup/W3
tick PageSetup/CB1 0
expect visible PageSetup/CB4 0
expect enabled PageSetup/CB2 1
wait PageSetup/W3 3000
absent PageSetup/W1
tick PageSetup/CB1 1
wait PageSetup/W1 3000
click bNext
wait PageReadyToInstall
expect text bNext Install
click bBack
wait PageSetup
click bNext
SCRIPT
check "the update went through the wizard" test $? -eq 0
ends_well "Setup.exe after Finish"
check "the archive is written" \
  test -n "$(find "$dest/!Backup" -maxdepth 1 -name 'z Before install 5.62 *.zip' 2>/dev/null)"
check "the configuration has this version" grep -q 'Version=5620' <(config "$dest")
check "an update does not integrate again" test ! -e "$dest/Elevator.log"
check "an unticked player is not started" test ! -e "$dest/ZIVR.log"
cleanup_run

forget "$dest" "$appdata/ZIVR"
finish
