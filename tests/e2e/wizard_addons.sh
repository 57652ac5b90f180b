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
prepare "$dest"

start "$setup"
# Deutsch, English, Русский in name order.
{ to_options 2; cat <<'SCRIPT'; install_unlaunched; } | drive
type PageSetup/PathEdit C:\ZIVR-addons
click bNext
wait PageAddons
contains PageAddons/L0 Рекомендуемые дополнения
expect checked PageAddons/CB1 1
contains PageAddons/#RichEdit50W Дополнения бесплатно предоставляет ZIVR Extras.
lacks PageAddons/#RichEdit50W [b]
tick PageAddons/CB2 0
click bNext
wait PageIntegration
click bNext
SCRIPT
check "the Russian wizard went through the add-ons page" test $? -eq 0
ends_well "Setup.exe after Finish"
check "the uninstall log is written" test -f "$dest/Uninstall.dat"
"$ipk5" extract "$dest/Uninstall.dat" -o "$work/log" >/dev/null 2>&1
iconv -f UTF-16LE -t UTF-8 "$work/log/Uninstall.ini" 2>/dev/null | tr -d '\r' > "$work/log.txt"
check "the viewer choice is stored" grep -qx 'AddonsViewer=1' "$work/log.txt"
check "the unticked extensions are stored" grep -qx 'AddonsExtensions=0' "$work/log.txt"
check "the shortcuts choice is stored" grep -qx 'AddonsShortcuts=1' "$work/log.txt"
check "Russian files are installed" test -f "$dest/Langs/Russian.lng"
cleanup_run

forget "$dest"
finish
