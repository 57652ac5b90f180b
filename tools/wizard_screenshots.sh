#!/usr/bin/env bash
# Screenshots of every page of the wizard, light and dark, from the real
# Setup.exe under Wine with a virtual display, into docs/screenshots/: an
# installation (English), the add-ons page (Russian) and a removal, driven
# and taken by the UI driver. After a win64 build:
#
#   bash tools/wizard_screenshots.sh [BUILD_DIR]      (default build/win64)
set -uo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${1:-$root/build/win64}
export ZIVR_UI_WINEPREFIX=${ZIVR_UI_WINEPREFIX:-$root/build/wine-shots}
. "$root/tests/ui/lib.sh"
SETUP=$build/Setup.exe DRIVER=$build/tests/ui/zuxdrive.exe
shots=$root/docs/screenshots
mkdir -p "$shots"
for f in "$SETUP" "$DRIVER"; do [ -f "$f" ] || { echo "missing $f: build win64 first"; exit 1; }; done

"$W" reg add 'HKCU\Software\Wine\X11 Driver' /v Decorated /t REG_SZ /d N /f >/dev/null 2>&1
set_dpi 96
prefix=$("$W" --prefix)
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\ZIVR'

# run NAMES "COMMANDS": one driver session through the wizard; the pictures
# it takes (NAMES) pass or fail together.
run() {
  "$W" "$DRIVER" "$2" >/dev/null
  check "$1 ($mode)" [ $? -eq 0 ]
}
# shot NAME: the driver's commands that take the wizard window as it is now.
shot() { echo "sleep 300; shot $shots/$1-$mode.png"; }
launch() { "$W" "$@" >/dev/null 2>&1 & }
language="window LanguageDialog 30000; click OK; window WizardForm 30000"

for mode in light dark; do
  set_dark "$([ $mode = dark ] && echo 1 || echo 0)"
  rm -rf "$prefix/drive_c/Program Files/ZIVR"
  "$W" reg delete "$uninstall_key" /f >/dev/null 2>&1

  launch "$SETUP"
  run "welcome license options integration summary finish" "$language
    wait PageWelcome 30000; $(shot wizard-welcome); click bNext; wait PageLicense
    $(shot wizard-license); tick PageLicense/L1 1; click bNext; wait PageSetup
    $(shot wizard-options); click bNext; wait PageIntegration
    $(shot wizard-integration); click bNext; wait PageReadyToInstall
    $(shot wizard-summary); click bNext; wait PageFinish 120000
    $(shot wizard-finish); tick PageFinish/CB1 0; click bNext; gone"

  # The progress page of an AUTO run, taken while it works.
  launch "$SETUP" '/AUTO=C:\ZIVR-shot'
  run progress "window WizardForm 30000; wait PageInstall 30000; $(shot wizard-progress); gone 120000"

  # Deutsch, English, Русский in name order.
  launch "$SETUP"
  run add-ons "window LanguageDialog 30000; select Languages 2; click OK
    window WizardForm 30000; wait PageWelcome 30000; click bNext; wait PageLicense
    tick PageLicense/L1 1; click bNext; wait PageSetup; type PageSetup/PathEdit C:\ZIVR-shot-ru
    click bNext; wait PageAddons; $(shot wizard-addons)
    close; window MessageDialog 5000; click OK; gone"

  launch 'C:\Program Files\ZIVR\Uninstall.exe'
  run "uninstall options, finish" "$language; wait PageUninstallParams 30000
    $(shot wizard-uninstall-options); click bNext; wait PageUninstallFinish 120000
    $(shot wizard-uninstall-finish); click bNext; gone"
  "$W" --stop
done
set_dark 0
rm -rf "$prefix/drive_c/ZIVR-shot"
finish
