# The language dialog of the real Setup.exe: preselection by the prefix's UI
# language, sorting, the choice applied however the dialog is closed, never
# shown in AUTO runs.
#   language.sh Setup.exe zuxdrive.exe WORKDIR
. "$(dirname "$0")/lib.sh"
SETUP=$1 DRIVER=$2 work=$3
mkdir -p "$work"
set_dpi 96

# The items sort by name: Deutsch, English, Русский.
lang_case() { # LOCALE EXPECTED-INDEX EXPECTED-LANGUAGE
  ZIVR_WINE_LOCALE=$1 session "$work/out" \
    "window LanguageDialog 20000; expect text . Select Language; expect selected Languages $2; click OK; window MessageDialog; key ENTER; gone" \
    "$SETUP"
  check "$1: dialog driven" [ "$drive_rc" -eq 0 ]
  check "$1: exit code 2" [ "$rc" -eq 2 ]
  check "$1: language $3 applied" contains "$work/out" "(language: $3)"
}
lang_case de_DE.UTF-8 0 German
lang_case ru_RU.UTF-8 2 Russian
lang_case en_US.UTF-8 1 English
# No file for French: English (1033).
lang_case fr_FR.UTF-8 1 English

# The list: three languages with their names; OK only.
ZIVR_WINE_LOCALE=de_DE.UTF-8 session "$work/out" \
  "window LanguageDialog 20000; list; key ENTER; window MessageDialog; key ENTER" "$SETUP"
check "list shows the combo and OK only" [ "$(echo "$drive_out" | cut -f1 | sort | tr '\n' ' ')" = "Languages OK " ]

# Closing by the system (Alt+F4 / WM_CLOSE) applies the shown selection.
ZIVR_WINE_LOCALE=de_DE.UTF-8 session "$work/out" \
  "window LanguageDialog 20000; select Languages 2; close; window MessageDialog; key ENTER; gone" "$SETUP"
check "closed: the shown Russian applies" contains "$work/out" "(language: Russian)"

# Escape does not close a dialog without Cancel; Enter takes the selection.
ZIVR_WINE_LOCALE=ru_RU.UTF-8 session "$work/out" \
  "window LanguageDialog 20000; select Languages 1; key ESCAPE; sleep 300; expect visible . 1; key ENTER; window MessageDialog; key ENTER; gone" \
  "$SETUP"
check "escape ignored, enter applies English" contains "$work/out" "(language: English)"

# AUTO (without SILENT): no dialog; the preselection of the UI language.
ZIVR_WINE_LOCALE=de_DE.UTF-8 session "$work/out" \
  "window MessageDialog 20000; key ENTER; gone" "$SETUP" /AUTO
check "AUTO: straight to the message, German" contains "$work/out" "(language: German)"

# Without a display nothing waits: the preselection applies at once.
env -u DISPLAY ZIVR_WINE_LOCALE=de_DE.UTF-8 timeout 60 "$W" "$SETUP" >"$work/out" 2>&1
check "no display: exit 2 at once" [ $? -eq 2 ]
check "no display: German" contains "$work/out" "(language: German)"
finish
