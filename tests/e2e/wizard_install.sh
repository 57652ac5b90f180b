#!/usr/bin/env bash
# A full interactive installation, driven through the wizard's controls:
# language, welcome, license, options (portable there and back, a typed
# destination), integration, the summary rebuilt after going back, progress,
# finish; then what reached the disk, the registration tool and the player.
#
#   wizard_install.sh SETUP.exe DRIVER.exe LAUNCHER WORKDIR FIXTURES
set -uo pipefail
setup=$1 driver=$2 launcher=$3 work=$4
source "$(dirname "${BASH_SOURCE[0]}")/wizard.sh"

rm -rf "$work" "$drive/ZIVR-wizard"
mkdir -p "$work"
"$launcher" reg delete "$uninstall_key" /f >/dev/null 2>&1

start "$setup"
drive <<SCRIPT
wait${T}LanguageDialog${T}30000
click${T}LanguageDialog/OK
wait${T}PageWelcome${T}30000
expect${T}bBack${T}hidden
expecttext${T}bNext${T}Next
expecttext${T}WizardForm${T}ZIVR Setup
expecttext${T}lbVerInfo${T}5.62
click${T}bNext
wait${T}PageLicense
expect${T}bBack${T}hidden
expect${T}bNext${T}disabled
click${T}PageLicense/L1
expect${T}bNext${T}enabled
click${T}bNext
wait${T}PageSetup
expect${T}PageSetup/CB1${T}hidden
expect${T}PageSetup/CB2${T}checked
click${T}PageSetup/CB3
waittext${T}PageSetup/PathEdit${T}Desktop\\ZIVR${T}5000
click${T}PageSetup/CB2
waittext${T}PageSetup/PathEdit${T}Program Files\\ZIVR${T}5000
settext${T}PageSetup/PathEdit${T}C:\\ZIVR-wizard
click${T}bNext
wait${T}PageIntegration
expect${T}PageIntegration/CB5${T}checked
click${T}PageIntegration/CB5
click${T}bNext
wait${T}PageReadyToInstall
expecttext${T}PageReadyToInstall/#RichEdit50W${T}C:\\ZIVR-wizard
expecttext${T}PageReadyToInstall/#RichEdit50W${T}desktop shortcut
expecttext${T}bNext${T}Install
click${T}bBack
wait${T}PageIntegration
click${T}PageIntegration/CB1
click${T}bNext
wait${T}PageReadyToInstall
expectnotext${T}PageReadyToInstall/#RichEdit50W${T}desktop shortcut
click${T}bNext
wait${T}PageInstall
wait${T}PageFinish${T}120000
expect${T}bBack${T}hidden
expecttext${T}bNext${T}Finish
expect${T}PageFinish/CB1${T}checked
expecttext${T}PageFinish/CB1${T}Launch ZIVR
click${T}bNext
SCRIPT
check "the wizard went through every page" test $? -eq 0
check "Setup.exe ends after Finish" ended 60
check "Setup.exe exits 0" test "$(exit_code)" = 0

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
printf 'closeclass\tTZIVRMainForm\n' | "$launcher" "$driver" >/dev/null 2>&1
cleanup_run
finish
