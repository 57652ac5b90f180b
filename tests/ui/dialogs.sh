# The toolkit's dialogs through zuxdialogs: message-box kinds, buttons,
# results and keys, a long text; the rich-text viewer (read-only, a link
# reaching the spawn service); the folder picker; the language dialog with a
# broken icon; bad input that must not stop a dialog from opening.
#   dialogs.sh zuxdrive.exe zuxdialogs.exe DATADIR DEMOSETUPDIR WORKDIR
. "$(dirname "$0")/lib.sh"
DRIVER=$1 DIALOGS=$2 data=$3 demo=$4 work=$5
mkdir -p "$work"
set_dpi 96
out=$work/out

# ---- message box: flags, title, buttons in order, keys, result ----
msg_case() { # FLAGS TITLE BUTTONS DRIVER-KEYS RESULT
  session "$out" "window MessageDialog 20000; expect text . $2; list; $4; gone" \
    "$DIALOGS" msg "$1" Some text
  local buttons
  buttons=$(echo "$drive_out" | grep -v '^Message' | cut -f1 | tr '\n' ' ')
  check "msg $1: driven" [ "$drive_rc" -eq 0 ]
  check "msg $1: buttons [$3] (got [$buttons])" [ "$buttons" = "$3 " ]
  check "msg $1: result $5" contains "$out" "result $5"
}
msg_case 0x10 Error "OK" "expect focused OK 1; key ENTER" 1
msg_case 0x121 Confirm "OK Cancel" "expect focused Cancel 1; key ESCAPE" 2
msg_case 0x121 Confirm "OK Cancel" "key ENTER" 2
msg_case 0x132 Warning "Abort Retry Ignore" "expect focused Retry 1; key ENTER" 4
msg_case 0x40 Information "OK" "close; sleep 300; expect visible . 1; key ENTER" 1
msg_case 0x23 Confirm "Yes No Cancel" "click No" 7
msg_case 0x4 "" "Yes No" "key ESCAPE; sleep 300; expect visible . 1; key ALT+Y" 6
msg_case 0x205 "" "Retry Cancel" "expect focused Retry 1; key ESCAPE" 2
msg_case 0x32 Warning "Abort Retry Ignore" "click Ignore" 5
msg_case 0x7 "" "OK" "key TAB; key ENTER" 1

# A long text wraps, and the box grows within half the screen's width.
long=$(printf 'A long line of text that goes on. %.0s' $(seq 1 60))
session "$out" "window MessageDialog 20000; get rect .; get rect Message; key ENTER" \
  "$DIALOGS" msg 0x30 "$long"
read -r _ _ box_w box_h <<<"$(echo "$drive_out" | sed -n 1p)"
read -r _ _ _ text_h <<<"$(echo "$drive_out" | sed -n 2p)"
check "long text: box at least 400 wide ($box_w)" [ "${box_w:-0}" -ge 400 ]
check "long text: box within half the screen ($box_w)" [ "${box_w:-9999}" -le 830 ]
check "long text: text wrapped into several lines ($text_h)" [ "${text_h:-0}" -ge 60 ]
check "long text: box taller than its text ($box_h)" [ "${box_h:-0}" -gt "${text_h:-0}" ]

# Placeholders are text, not formats.
session "$out" "window MessageDialog 20000; expect text Message 100% %s %d %x [b]; key ENTER" \
  "$DIALOGS" msg 0x10 "100% %s %d %x [b]"
check "placeholders shown as they are" [ "$drive_rc" -eq 0 ]

# Without a display the box answers 0 at once.
env -u DISPLAY timeout 60 "$W" "$DIALOGS" msg 0x132 locked >"$out" 2>&1
check "no display: result 0" contains "$out" "result 0"

# ---- rich-text viewer ----
session "$out" "window ViewerForm 20000; expect class Viewer RichEdit50W; expect readonly Viewer 1; get text Viewer; chars Viewer xyz; get text Viewer; key ENTER" \
  "$DIALOGS" viewer "$demo/License_en.rtf"
check "viewer: the license shows" grep -q "ZIVR demo license" <<<"$drive_out"
check "viewer: typing changes nothing" [ "$(echo "$drive_out" | grep -c xyz)" -eq 0 ]
check "viewer: zoom 100 is 64/64" contains "$out" "zoom 100 numerator 64"

# A link click goes through the spawn service (a host process of ours) to
# the browser, which this prefix records.
record=$work/browser.log
rm -f "$record"
printf '#!/bin/sh\necho "$@" >> %s\n' "$record" >"$work/browser.sh"
chmod +x "$work/browser.sh"
"$W" reg add 'HKCU\Software\Wine\WineBrowser' /v Browsers /t REG_SZ /d "$work/browser.sh" /f >/dev/null 2>&1
session "$out" "window ViewerForm 20000; clickat Viewer 20 8; sleep 1500; key ENTER" \
  "$DIALOGS" viewer "$data/license.rtf" --spawn
for i in $(seq 1 25); do [ -s "$record" ] && break; sleep 0.2; done
check "viewer: the link reached the browser" grep -q "https://www.example.com" "$record"

# Text that is not RTF still shows, as the control reads it.
session "$out" "window ViewerForm 20000; get text Viewer; key ENTER" "$DIALOGS" viewer "$data/not_rtf.rtf"
check "viewer: not RTF opens" [ "$drive_rc" -eq 0 ]
session "$out" "window ViewerForm 20000; key ENTER" "$DIALOGS" viewer "$work/missing.rtf"
check "viewer: missing file opens empty" [ "$drive_rc" -eq 0 ]

# ---- folder picker ----
prefix=$("$W" --prefix)
rm -rf "$prefix/drive_c/pick"
mkdir -p "$prefix/drive_c/pick/start"
session "$out" "window FolderPicker 20000; expect text . Browse Folder; key ENTER; gone" \
  "$DIALOGS" picker 'C:\pick\start\'
check "picker: returns the start folder" contains "$out" 'folder C:\pick\start'
session "$out" "window FolderPicker 20000; click NewFolder; key ENTER; click OK; gone" \
  "$DIALOGS" picker 'C:\pick\start'
check "picker: returns the new folder" contains "$out" 'folder C:\pick\start\New folder'
check "picker: the new folder exists" [ -d "$prefix/drive_c/pick/start/New folder" ]
session "$out" "window FolderPicker 20000; key ESCAPE; gone" "$DIALOGS" picker 'C:\pick'
check "picker: escape cancels" contains "$out" "cancel"
# The shell's tree: a drive's folders hang under the drive, the drive under
# the computer, which is no folder to choose.
session "$out" "window FolderPicker 20000; key LEFT; key ENTER; gone" \
  "$DIALOGS" picker 'C:\pick\start'
check "picker: the parent folder is one step up" grep -qE '^folder C:\\pick.?$' "$out"
session "$out" "window FolderPicker 20000; key LEFT; key LEFT; key LEFT; key LEFT; key LEFT; \
expect enabled OK 0; key RIGHT; key DOWN; expect enabled OK 1; key ESCAPE; gone" \
  "$DIALOGS" picker 'C:\pick\start'
check "picker: the computer cannot be chosen, its drives can" [ "$drive_rc" -eq 0 ]

# ---- bad input ----
session "$out" "window LanguageDialog 20000; list; key ENTER; gone" \
  "$DIALOGS" lang "$data/BrokenIcon.lng" "$demo/English.lng" "$demo/Russian.lng"
check "broken icon: the dialog opens" [ "$drive_rc" -eq 0 ]
check "broken icon: English preselected" contains "$out" "language English"
session "$out" "window ImageForm 20000; key ESCAPE; close; gone" "$DIALOGS" image "$work/missing.png"
check "missing image: the form opens" [ "$drive_rc" -eq 0 ]
check "missing image: reported" contains "$out" "no image"
session "$out" "window ImageForm 20000; close; gone" "$DIALOGS" image "$data/broken.png"
check "broken image: no image" contains "$out" "no image"
session "$out" "window ImageForm 20000; close; gone" "$DIALOGS" image "$demo/header.png"
check "PNG decoded" grep -q "^image [0-9]*x[0-9]*" "$out"
session "$out" "window MarkupForm 20000; expect text Markup [foo]x[/foo] [b]open [color=nonsense]c[/color] [/i] [url=]u; close; gone" \
  "$DIALOGS" markup "[foo]x[/foo] [b]open [color=nonsense]c[/color] [/i] [url=]u"
check "unknown and broken tags: the label opens" [ "$drive_rc" -eq 0 ]
finish
