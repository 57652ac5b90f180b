#!/usr/bin/env bash
# The Russian wizard offers the add-ons: its page writes its three keys as
# soon as it is shown, shows the formatted texts with their links, and the
# choices reach the add-ons installer and the uninstall log.
#
#   wizard_addons.sh SETUP.exe DRIVER.exe LAUNCHER WORKDIR FIXTURES IPK5
set -uo pipefail
setup=$1 driver=$2 launcher=$3 work=$4 ipk5=$6
source "$(dirname "${BASH_SOURCE[0]}")/wizard.sh"

dest=$drive/ZIVR-addons
rm -rf "$work" "$dest"
mkdir -p "$work"
"$launcher" reg delete "$uninstall_key" /f >/dev/null 2>&1

start "$setup"
drive <<SCRIPT
wait${T}LanguageDialog${T}30000
# Deutsch, English, Русский in name order.
select${T}LanguageDialog/Languages${T}#2
click${T}LanguageDialog/OK
wait${T}PageWelcome${T}30000
click${T}bNext
wait${T}PageLicense
click${T}PageLicense/L1
click${T}bNext
wait${T}PageSetup
settext${T}PageSetup/PathEdit${T}C:\\ZIVR-addons
click${T}bNext
wait${T}PageAddons
expecttext${T}PageAddons/L0${T}Рекомендуемые дополнения
expect${T}PageAddons/CB1${T}checked
expecttext${T}PageAddons/#RichEdit50W${T}Дополнения бесплатно предоставляет ZIVR Extras.
expectnotext${T}PageAddons/#RichEdit50W${T}[b]
click${T}PageAddons/CB2
click${T}bNext
wait${T}PageIntegration
click${T}bNext
wait${T}PageReadyToInstall
click${T}bNext
wait${T}PageFinish${T}120000
click${T}PageFinish/CB1
click${T}bNext
SCRIPT
check "the Russian wizard went through the add-ons page" test $? -eq 0
check "Setup.exe ends after Finish" ended 60
check "Setup.exe exits 0" test "$(exit_code)" = 0
check "the uninstall log is written" test -f "$dest/Uninstall.dat"
"$ipk5" extract "$dest/Uninstall.dat" -o "$work/log" >/dev/null 2>&1
iconv -f UTF-16LE -t UTF-8 "$work/log/Uninstall.ini" 2>/dev/null | tr -d '\r' > "$work/log.txt"
check "the viewer choice is stored" grep -qx 'AddonsViewer=1' "$work/log.txt"
check "the unticked extensions are stored" grep -qx 'AddonsExtensions=0' "$work/log.txt"
check "the shortcuts choice is stored" grep -qx 'AddonsShortcuts=1' "$work/log.txt"
check "Russian files are installed" test -f "$dest/Langs/Russian.lng"
cleanup_run

rm -rf "$dest"
"$launcher" reg delete "$uninstall_key" /f >/dev/null 2>&1
finish
