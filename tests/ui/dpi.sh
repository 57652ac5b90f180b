# The same dialogs at 96, 144 and 192 DPI (the prefix's LogPixels): every
# control's rectangle scales with the DPI and lies inside its window's client
# area. Rectangles are compared, not pixels. (Wine does not tell another
# process a window's DPI, so the sizes speak for it.)
#   dpi.sh Setup.exe zuxdrive.exe zuxdialogs.exe WORKDIR
. "$(dirname "$0")/lib.sh"
SETUP=$1 DRIVER=$2 DIALOGS=$3 work=$4
mkdir -p "$work"

# layout DPI NAME WINDOW "CLOSING COMMANDS" PROGRAM ARGS...: the window's
# client size and its controls' rectangles into $work/NAME.DPI
layout() {
  local dpi=$1 name=$2 window=$3 closing=$4
  shift 4
  session "$work/out" "window $window 20000; get dpi .; get client .; list; $closing" "$@"
  echo "$drive_out" >"$work/$name.$dpi"
}

for dpi in 96 144 192; do
  set_dpi "$dpi"
  layout "$dpi" controls ControlsForm close "$DIALOGS" controls
  layout "$dpi" message MessageDialog close "$DIALOGS" msg 0x121 Close the setup?
  layout "$dpi" language LanguageDialog "close; window WizardForm 30000; close; window MessageDialog; click OK; gone" "$SETUP"
done
set_dpi 96

# compare NAME DPI: the scaled rectangles match the 96-DPI ones (within 2
# pixels of rounding per edge) and lie inside the client area.
compare() {
  awk -v dpi="$2" -F'\t' '
    FNR == 1 { next }                                       # dpi line
    FNR == 2 { split($0, c, " "); cw[FILENAME] = c[1]; ch[FILENAME] = c[2]; next }
    NF >= 3 {
      split($3, r, " ")
      if (FILENAME ~ /\.96$/) { for (i = 1; i <= 4; i++) base[$1, i] = r[i]; next }
      for (i = 1; i <= 4; i++) {
        want = base[$1, i] * dpi / 96
        if (r[i] < want - 2 || r[i] > want + 2) { printf "%s edge %d: %d, want %d\n", $1, i, r[i], want; bad = 1 }
      }
      if (r[1] < 0 || r[2] < 0 || r[1] + r[3] > cw[FILENAME] || r[2] + r[4] > ch[FILENAME]) {
        printf "%s clipped: %s in %dx%d\n", $1, $3, cw[FILENAME], ch[FILENAME]; bad = 1
      }
      n++
    }
    END { if (n == 0) { print "no controls"; bad = 1 }; exit bad }
  ' "$work/$1.96" "$work/$1.$2"
}

for name in controls message language; do
  for dpi in 144 192; do
    check "$name at $dpi DPI scales and fits" compare "$name" "$dpi"
  done
  # The client area itself scales: 220 x 75 for the language dialog.
  read -r w96 h96 <<<"$(sed -n 2p "$work/$name.96")"
  read -r w192 h192 <<<"$(sed -n 2p "$work/$name.192")"
  check "$name client doubles at 192 DPI (${w96}x${h96} -> ${w192}x${h192})" \
    [ $((w192 - 2 * w96)) -ge -2 -a $((w192 - 2 * w96)) -le 2 -a $((h192 - 2 * h96)) -ge -2 -a $((h192 - 2 * h96)) -le 2 ]
done
read -r w h <<<"$(sed -n 2p "$work/language.96")"
check "language dialog client 220x75 at 96 DPI ($w x $h)" [ "$w" = 220 -a "$h" = 75 ]
finish
