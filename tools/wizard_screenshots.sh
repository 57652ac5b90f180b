#!/usr/bin/env bash
# Screenshots of every page of the wizard, light and dark, from the real
# Setup.exe under Wine with a virtual display, into docs/screenshots/: an
# installation (English), the add-ons page (Russian) and a removal. The
# wizard is driven by the end-to-end driver; the pictures are taken by the UI
# driver. After a win64 build:
#
#   bash tools/wizard_screenshots.sh [BUILD_DIR]      (default build/win64)
set -uo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${1:-$root/build/win64}
export ZIVR_UI_WINEPREFIX=${ZIVR_UI_WINEPREFIX:-$root/build/wine-shots}
. "$root/tests/ui/lib.sh"
SETUP=$build/Setup.exe DRIVER=$build/tests/ui/zuxdrive.exe NAV=$build/tests/e2e/uidriver.exe
shots=$root/docs/screenshots
mkdir -p "$shots"
for f in "$SETUP" "$DRIVER" "$NAV"; do [ -f "$f" ] || { echo "missing $f: build win64 first"; exit 1; }; done

"$W" reg add 'HKCU\Software\Wine\X11 Driver' /v Decorated /t REG_SZ /d N /f >/dev/null 2>&1
set_dpi 96
prefix=$("$W" --prefix)
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\ZIVR'

# nav "cmd|arg|arg" ...: the end-to-end driver's commands, "|" between fields.
nav() { printf '%s\n' "$@" | tr '|' '\t' | "$W" "$NAV"; }
shot() { # NAME: the wizard window as it is now
  "$W" "$DRIVER" "window WizardForm 20000; sleep 300; shot $shots/$1-$mode.png" >/dev/null
  check "$1 ($mode)" [ $? -eq 0 ]
}
launch() { "$W" "$@" >/dev/null 2>&1 & }

for mode in light dark; do
  set_dark "$([ $mode = dark ] && echo 1 || echo 0)"
  rm -rf "$prefix/drive_c/Program Files/ZIVR"
  "$W" reg delete "$uninstall_key" /f >/dev/null 2>&1

  launch "$SETUP"
  nav 'wait|LanguageDialog|30000' 'click|LanguageDialog/OK' 'wait|PageWelcome|30000'
  shot wizard-welcome
  nav 'click|bNext' 'wait|PageLicense'
  shot wizard-license
  nav 'click|PageLicense/L1' 'click|bNext' 'wait|PageSetup'
  shot wizard-options
  nav 'click|bNext' 'wait|PageIntegration'
  shot wizard-integration
  nav 'click|bNext' 'wait|PageReadyToInstall'
  shot wizard-summary
  nav 'click|bNext' 'wait|PageFinish|120000'
  shot wizard-finish
  nav 'click|PageFinish/CB1' 'click|bNext' 'waitgone|WizardForm|20000'

  # The progress page of an AUTO run, taken while it works.
  launch "$SETUP" '/AUTO=C:\ZIVR-shot'
  nav 'wait|PageInstall|30000'
  shot wizard-progress
  nav 'waitgone|WizardForm|120000'

  launch "$SETUP"
  nav 'wait|LanguageDialog|30000' 'select|LanguageDialog/Languages|#2' 'click|LanguageDialog/OK' \
      'wait|PageWelcome|30000' 'click|bNext' 'wait|PageLicense' 'click|PageLicense/L1' \
      'click|bNext' 'wait|PageSetup' 'settext|PageSetup/PathEdit|C:\ZIVR-shot-ru' 'click|bNext' \
      'wait|PageAddons'
  shot wizard-addons
  nav 'close|WizardForm' 'wait|MessageDialog|5000' 'click|MessageDialog/OK' 'waitgone|WizardForm|20000'

  launch 'C:\Program Files\ZIVR\Uninstall.exe'
  nav 'wait|LanguageDialog|30000' 'click|LanguageDialog/OK' 'wait|PageUninstallParams|30000'
  shot wizard-uninstall-options
  nav 'click|bNext' 'wait|PageUninstallFinish|120000'
  shot wizard-uninstall-finish
  nav 'click|bNext' 'waitgone|WizardForm|20000'
  "$W" --stop
done
set_dark 0
rm -rf "$prefix/drive_c/ZIVR-shot"
finish
