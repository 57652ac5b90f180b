#!/usr/bin/env bash
# A full interactive installation, driven through the wizard's controls:
# language, welcome, license, options (portable there and back, folders
# chosen in the folder picker, a typed destination), integration, the summary
# rebuilt after going back, progress, finish; then what reached the disk, the
# registration tool and the player. The driver's log shows how long each page
# change took.
#
#   wizard_install.sh SETUP.exe DRIVER.exe LAUNCHER WORKDIR FIXTURES
set -uo pipefail
setup=$1 driver=$2 launcher=$3 work=$4
source "$(dirname "${BASH_SOURCE[0]}")/wizard.sh"

pick=$drive/e2e-pick
prepare "$drive/ZIVR-wizard" "$pick"
mkdir -p "$pick/Apps" "$pick/ZIVR"

start "$setup"
{ language; cat <<'SCRIPT'; } | drive
wait PageWelcome 30000
expect visible bBack 0
expect text bNext Next
contains . ZIVR Setup
contains lbVerInfo 5.62
click bNext
wait PageLicense
expect visible bBack 0
expect enabled bNext 0
tick PageLicense/L1 1
expect enabled bNext 1
click bNext
wait PageSetup
expect visible PageSetup/CB1 0
expect checked PageSetup/CB2 1
click PageSetup/CB3
contains PageSetup/PathEdit Desktop\ZIVR 5000
click PageSetup/CB2
contains PageSetup/PathEdit Program Files\ZIVR 5000
# The folder picker starts at the destination; the folder chosen in it gets
# the product's name unless it has it. Its tree lists the folders by name:
# Apps, then ZIVR.
type PageSetup/PathEdit C:\e2e-pick
click PageSetup/Browse
window FolderPicker
key RIGHT
key RIGHT
click OK
gone
window WizardForm
expect text PageSetup/PathEdit C:\e2e-pick\Apps\ZIVR\
click PageSetup/Browse
window FolderPicker
key DOWN
key ENTER
gone
window WizardForm
expect text PageSetup/PathEdit C:\e2e-pick\ZIVR\
click PageSetup/Browse
window FolderPicker
click NewFolder
key ENTER
click OK
gone
window WizardForm
expect text PageSetup/PathEdit C:\e2e-pick\ZIVR\New folder\ZIVR\
click PageSetup/Browse
window FolderPicker
key ESCAPE
gone
window WizardForm
expect text PageSetup/PathEdit C:\e2e-pick\ZIVR\New folder\ZIVR\
type PageSetup/PathEdit C:\ZIVR-wizard
click bNext
wait PageIntegration
expect checked PageIntegration/CB5 1
tick PageIntegration/CB5 0
click bNext
wait PageReadyToInstall
contains PageReadyToInstall/#RichEdit50W C:\ZIVR-wizard
contains PageReadyToInstall/#RichEdit50W desktop shortcut
expect text bNext Install
click bBack
wait PageIntegration
tick PageIntegration/CB1 0
click bNext
wait PageReadyToInstall
lacks PageReadyToInstall/#RichEdit50W desktop shortcut
click bNext
wait PageInstall
wait PageFinish 120000
expect visible bBack 0
expect text bNext Finish
expect checked PageFinish/CB1 1
contains PageFinish/CB1 Launch ZIVR
click bNext
SCRIPT
check "the wizard went through every page" test $? -eq 0
check "the picker's new folder is made" test -d "$pick/ZIVR/New folder"
ends_well "Setup.exe after Finish"

dest=$drive/ZIVR-wizard
for f in ZIVR.exe Elevator.exe Uninstall.exe Uninstall.dat; do
  check "installed $f" test -f "$dest/$f"
done
check "the integration page's switches reach the registration tool" \
  grep -qx '/REG=L1 /REG=D1 /REG=R1 /REG=R2 /REG_UI' "$dest/Elevator.log"
check "per-machine configuration" grep -qx 'UserMode=1' <(config "$dest")
check "no desktop shortcut when unticked" test ! -e "$drive/users/Public/Desktop/ZIVR.lnk"
check "start menu shortcut" test -f "$drive/ProgramData/Microsoft/Windows/Start Menu/Programs/ZIVR/ZIVR.lnk"
check "uninstall entry" test "$(reg_value "$uninstall_key" UninstallString)" = 'C:\ZIVR-wizard\Uninstall.exe'
started=no
for i in $(seq 1 100); do grep -q '^start' "$dest/ZIVR.log" 2>/dev/null && { started=yes; break; }; sleep 0.1; done
check "the player was started after Finish" test $started = yes
close_player
cleanup_run
forget "$pick"
finish
