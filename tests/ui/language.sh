# The language dialog of the real Setup.exe: preselection by the prefix's UI
# language, sorting, the choice applied however the dialog is closed, never
# shown in AUTO runs.
#   language.sh Setup.exe zuxdrive.exe WORKDIR
. "$(dirname "$0")/lib.sh"
SETUP=$1 DRIVER=$2 work=$3
mkdir -p "$work"
set_dpi 96

# The language shows in the wizard that follows, in its Next button; closing
# the wizard before the run asks, and the exit code says it was cancelled
# (ERROR_CANCELLED, 1223; Wine hands its low byte to the shell).
wizard_closed="window WizardForm 30000; close; window MessageDialog; click OK; gone"
# Cyrillic does not pass Wine's command line intact: texts are compared here.
shows() { [[ $drive_out == *"$1"* ]]; }
cancelled=$((1223 & 255))

# The items sort by name: Deutsch, English, Русский.
lang_case() { # LOCALE EXPECTED-INDEX NEXT-CAPTION
  ZIVR_WINE_LOCALE=$1 session "$work/out" \
    "window LanguageDialog 20000; expect text . Select Language; expect selected Languages $2; click OK; window WizardForm 30000; get text bNext; $wizard_closed" \
    "$SETUP"
  check "$1: dialog driven" [ "$drive_rc" -eq 0 ]
  check "$1: Next reads $3" shows "$3"
  check "$1: cancelled" [ "$rc" -eq $cancelled ]
}
lang_case de_DE.UTF-8 0 Weiter
lang_case ru_RU.UTF-8 2 Далее
lang_case en_US.UTF-8 1 Next
# No file for French: English (1033).
lang_case fr_FR.UTF-8 1 Next

# The list: three languages with their names; OK only.
ZIVR_WINE_LOCALE=de_DE.UTF-8 session "$work/out" \
  "window LanguageDialog 20000; list; key ENTER; $wizard_closed" "$SETUP"
check "list shows the combo and OK only" [ "$(echo "$drive_out" | cut -f1 | sort | tr '\n' ' ')" = "Languages OK " ]

# Closing by the system (Alt+F4 / WM_CLOSE) applies the shown selection.
ZIVR_WINE_LOCALE=de_DE.UTF-8 session "$work/out" \
  "window LanguageDialog 20000; select Languages 2; close; window WizardForm 30000; get text bNext; $wizard_closed" "$SETUP"
check "closed: the shown Russian applies" shows Далее

# Escape does not close a dialog without Cancel; Enter takes the selection.
ZIVR_WINE_LOCALE=ru_RU.UTF-8 session "$work/out" \
  "window LanguageDialog 20000; select Languages 1; key ESCAPE; sleep 300; expect visible . 1; key ENTER; window WizardForm 30000; expect text bNext Next; $wizard_closed" \
  "$SETUP"
check "escape ignored, enter applies English" [ "$drive_rc" -eq 0 ]

# AUTO (without SILENT): no dialog; the preselection of the UI language. The
# run's window closes by itself when the installation is done.
ZIVR_WINE_LOCALE=de_DE.UTF-8 session "$work/out" \
  "window WizardForm 30000; gone 120000" "$SETUP" '/AUTO=C:\ZIVR-ui-auto'
check "AUTO: no dialog, the run's window" [ "$drive_rc" -eq 0 ]
check "AUTO: exit 0" [ "$rc" -eq 0 ]

# Without a display nothing waits: no window can show, the error says so.
env -u DISPLAY ZIVR_WINE_LOCALE=de_DE.UTF-8 timeout 60 "$W" "$SETUP" >"$work/out" 2>&1
check "no display: exit 1 at once" [ $? -eq 1 ]
finish
