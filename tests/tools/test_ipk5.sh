#!/usr/bin/env bash
# End-to-end checks of the ipk5 tool: pack, list, extract, verify, the
# messages and exit codes of failures, and extraction of hostile names.
#
#   test_ipk5.sh IPK5 CRAFT_PACKAGE
set -uo pipefail

ipk5=$(realpath "$1")
craft=$(realpath "$2")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1

failures=0
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

# expect STATUS PATTERN COMMAND...: exit status and a line of stderr.
expect() {
  local status=$1 pattern=$2
  shift 2
  "$@" >out.txt 2>err.txt
  local got=$?
  [[ $got == "$status" ]] || fail "$* exited $got, expected $status: $(cat err.txt)"
  [[ -z $pattern ]] || grep -qF -- "$pattern" err.txt || fail "$*: no \"$pattern\" in: $(cat err.txt)"
}

# --- A realistic small product folder -------------------------------------
mkdir -p src/Plugins src/Skins/Dark/images "src/Lang/Русский" "src/With Space" src/a/b/c/d
echo '<?xml version="1.0"?><Setup/>' >src/Install.xml
printf 'key=value\r\n' >src/English.lng
seq 1 300000 >src/Plugins/big.log # more than one 1 MiB copy block
head -c 200000 /dev/urandom >src/Plugins/random.dll
cp /bin/sh src/Skins/Dark/images/bg.png
echo dark >src/Skins/Dark/skin.ini
echo привет >"src/Lang/Русский/Русский.lng"
echo space >"src/With Space/read me.txt"
: >src/empty.dat
echo deep >src/a/b/c/d/e.txt

expect 0 "" "$ipk5" pack p.ipk5 src
expect 0 "" "$ipk5" list p.ipk5
# Names relative to the folder, backslashes, sorted by UTF-8 bytes; sizes as on disk.
tail -n +2 out.txt | awk '{ $1 = $1; print }' | cut -d' ' -f3- >names.txt
cat >expected.txt <<'NAMES'
English.lng
Install.xml
Lang\Русский\Русский.lng
Plugins\big.log
Plugins\random.dll
Skins\Dark\images\bg.png
Skins\Dark\skin.ini
With Space\read me.txt
a\b\c\d\e.txt
empty.dat
NAMES
diff expected.txt names.txt || fail "list shows other names or another order"
size=$(awk '$3 == "Plugins\\big.log" { print $1 }' out.txt)
[[ $size == $(stat -c %s src/Plugins/big.log) ]] || fail "list shows size $size for big.log"

expect 0 "" "$ipk5" extract p.ipk5 -o x1
diff -r src x1 || fail "extracted tree differs from the packed one"
expect 0 "" "$ipk5" verify p.ipk5
grep -q "OK, 10 entries" out.txt || fail "verify: $(cat out.txt)"

# Same input, same bytes; FILE arguments go in under their bare names.
expect 0 "" "$ipk5" pack p2.ipk5 src
cmp -s p.ipk5 p2.ipk5 || fail "packing twice gave different packages"
expect 0 "" "$ipk5" pack --level 0 single.ipk5 src/Plugins/random.dll src/Install.xml
expect 0 "" "$ipk5" list single.ipk5
[[ $(tail -n +2 out.txt | awk '{ print $3 }' | tr '\n' ' ') == "Install.xml random.dll " ]] ||
  fail "FILE arguments: $(cat out.txt)"

# Selected names, found ignoring case; a missing one is an error.
expect 1 '"nothing" is not in the package' "$ipk5" extract p.ipk5 install.xml 'PLUGINS\BIG.LOG' nothing -o x2
[[ $(cd x2 && find . -type f | sort | tr '\n' ' ') == "./Install.xml ./Plugins/big.log " ]] ||
  fail "selected extraction wrote: $(cd x2 && find . -type f)"

# --- Failures keep the previous package and leave no temporary file --------
cp p.ipk5 keep.ipk5
mkdir -p dup && echo 1 >dup/a.txt && echo 2 >dup/A.TXT
expect 1 "would be the same entry" "$ipk5" pack keep.ipk5 dup
expect 1 "missing: No such file or directory" "$ipk5" pack keep.ipk5 src missing
# A write that fails halfway (file size limit) must not replace the package.
(trap '' XFSZ && ulimit -f 64 && "$ipk5" pack keep.ipk5 src >out.txt 2>err.txt)
[[ $? == 1 ]] && grep -q "LZMA Error (9) (File too large)" err.txt || fail "size limit: $(cat err.txt)"
cmp -s p.ipk5 keep.ipk5 || fail "a failed pack changed the existing package"
[[ -z $(find . -maxdepth 1 -name '.keep.ipk5.*') ]] || fail "a temporary file was left behind"
expect 2 "--level takes a number from 0 to 9" "$ipk5" pack x.ipk5 --level 10 src
expect 2 "unknown command" "$ipk5" frobnicate
expect 0 "" "$ipk5" --help
grep -q "ipk5 extract \[--key TEXT\]" out.txt || fail "--help shows no usage"

# --- Broken packages: the reader's messages, non-zero exit -----------------
size=$(stat -c %s p.ipk5)
cp p.ipk5 flipped.ipk5
printf '\x55' | dd of=flipped.ipk5 bs=1 seek=$((size / 2)) conv=notrunc status=none
expect 1 "flipped.ipk5: Package was corrupted" "$ipk5" verify flipped.ipk5
head -c $((size - 100)) p.ipk5 >truncated.ipk5
expect 1 "truncated.ipk5: truncated: the packed data ends before" "$ipk5" verify truncated.ipk5
head -c 7 p.ipk5 >short.ipk5
expect 1 "short.ipk5: truncated: 7 bytes" "$ipk5" list short.ipk5
printf 'PK\3\4 a zip file, or anything else' >foreign.ipk5
expect 1 "foreign.ipk5: not an IPK5 package" "$ipk5" verify foreign.ipk5
# A header that claims more than the limit is refused before decoding.
cp p.ipk5 claims.ipk5
printf '\xFF\xFF\xFF\xFF' | dd of=claims.ipk5 bs=1 seek=8 conv=notrunc status=none
expect 1 "more than the 1073741824 allowed (raise it with --max-size)" "$ipk5" verify claims.ipk5
expect 1 "more than the 1024 allowed" "$ipk5" list --max-size 1K p.ipk5
expect 0 "" "$ipk5" list --max-size 2G p.ipk5
expect 2 "--max-size takes a size" "$ipk5" list --max-size lots p.ipk5
cp p.ipk5 props.ipk5
printf '\xD5' | dd of=props.ipk5 bs=1 seek=12 conv=notrunc status=none # 0xD5 ^ '4' = 225
expect 1 "props.ipk5: wrong key" "$ipk5" extract props.ipk5 -o x3
expect 1 'Cannot open file "nowhere.ipk5"' "$ipk5" verify nowhere.ipk5
# A package scrambled with another key: the installer's key reads it as
# garbage and says so; --key reads it.
expect 0 "" "$ipk5" pack --key 1234567890 otherkey.ipk5 src/Install.xml
expect 1 "otherkey.ipk5: wrong key" "$ipk5" verify otherkey.ipk5
expect 0 "" "$ipk5" verify --key 1234567890 otherkey.ipk5
expect 0 "" "$ipk5" extract --key=1234567890 otherkey.ipk5 -o xk
cmp -s src/Install.xml xk/Install.xml || fail "--key did not extract the file"
expect 1 "wrong key" "$ipk5" list --key 0987654321 p.ipk5
# A table that passes the checksum but points past the file data.
"$craft" outside outside.ipk5 || fail "craft outside"
expect 1 '"into-table.txt" (offset 5, size 10) lies outside the file data' "$ipk5" verify outside.ipk5
grep -qF '"beyond.txt"' err.txt || fail "verify: beyond.txt not reported"
expect 1 'cannot extract "beyond.txt": Stream read error' "$ipk5" extract outside.ipk5 -o x4
[[ -f x4/good.txt ]] || fail "the sound entry of outside.ipk5 was not extracted"

# --- Hostile names write nothing outside the target folder ----------------
# The target lies two folders deep in a sandbox, so that whatever escapes it
# ("..", absolute names below the sandbox) still lands where find sees it.
box=$work/box
out=$box/deep/er/out
mkdir -p "$box/cwd" "$out" "$box/elsewhere"
echo original >"$box/target.txt"
ln -s "$box/elsewhere" "$out/link"
ln -s "$box/target.txt" "$out/replaced.txt"
"$craft" hostile hostile.ipk5 "$box" || fail "craft hostile"
(cd "$box/cwd" && "$ipk5" extract "$work/hostile.ipk5" -o ../deep/er/out >"$work/out.txt" 2>"$work/err.txt")
[[ $? == 1 ]] || fail "hostile extraction did not fail"
for name in '..\..\evil' 'C:\x' 'C:x' '/abs' '\abs' 'a/../../b' 'a\..\..\c' 'a//d' '.\e' \
  'trailing\' '' 'nul<U+0000>byte' 'ctl<U+001B>[2J' 'half<U+D800>' "$box/abs"; do
  grep -qF "refusing \"$name\":" err.txt || fail "no refusal of \"$name\": $(cat err.txt)"
done
grep -qF 'cannot extract "link\through.txt": link/ is not a folder' err.txt ||
  fail "writing through a symbolic link was not refused"
grep -qF 'skipping "OK.TXT"' err.txt || fail "the second spelling of ok.txt was not skipped"
# Only the sound names, the replaced link and the links made above exist.
found=$(cd "$box" && find . -type f -o -type l | sort | tr '\n' ' ')
o=./deep/er/out
expected="$o/link $o/ok.txt $o/replaced.txt $o/safe/forward.txt $o/safe/nested/file.txt ./target.txt "
[[ $found == "$expected" ]] || fail "hostile extraction wrote: $found"
[[ $(cat "$box/target.txt") == original ]] || fail "a file outside was written through a link"
[[ ! -L $out/replaced.txt ]] || fail "replaced.txt is still a link"
[[ $(cat "$out/ok.txt") == "entry 19" ]] || fail "ok.txt is not the first of its spellings"
expect 0 "cannot be extracted as a file" "$ipk5" verify hostile.ipk5

if ((failures)); then
  echo "$failures failure(s)"
  exit 1
fi
echo "all ipk5 checks passed"
