#!/usr/bin/env bash
# The vendor's build command end to end: the stub alone, a Setup.exe built
# from the demo folders without CMake (same bytes twice, written atomically,
# signed on request), and that installer under Wine doing exactly what the
# CMake-built one does: the same files, the same uninstall entry, the same
# uninstall log, the same removal.
#
#   vendor_build.sh ZIVR_SETUP STUB CMAKE_SETUP SETUP_DIR PRODUCT_DIR IPK5 LAUNCHER WORKDIR
set -uo pipefail
tool=$1 stub=$2 cmake_setup=$3 setup_dir=$4 product_dir=$5 ipk5=$6 launcher=$7 work=$8

source "$(dirname "${BASH_SOURCE[0]}")/checks.sh"

prefix=$("$launcher" --prefix) || { echo "no Wine prefix"; exit 1; }
drive=$prefix/drive_c
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\ZIVR'
rm -rf "$work" && mkdir -p "$work"
cd "$work" || exit 1

build() { "$tool" build --setup "$setup_dir" --product "$product_dir" --stub "$stub" "$@"; }

# --- The stub alone ---------------------------------------------------------
"$launcher" "$stub" /AUTO /SILENT 2>stub.err
check "the stub alone fails" test $? -ne 0
check "the stub alone says it has no packages" grep -q 'holds no installer packages' stub.err

# --- Building ----------------------------------------------------------------
build -o Setup.exe >build.out 2>build.err
check "build exits 0" test $? -eq 0
check "build reports what it packed" grep -q '^Setup.exe: .* setup files, .* product files' build.out
build -o Again.exe >/dev/null 2>&1
check "the same inputs give the same bytes" cmp -s Setup.exe Again.exe
"$tool" verify Setup.exe >verify.out 2>&1
check "verify reads both packages" test $? -eq 0
check "verify lists the product package" grep -q '^PRODUCT: [0-9]* files, verified' verify.out
check "verify says it is not signed" grep -qx 'not signed' verify.out
# A finished installer as the stub: its packages are replaced.
check "a built installer serves as a stub" \
  "$tool" build --setup "$setup_dir" --product "$product_dir" --stub Setup.exe -o Twice.exe
"$tool" verify Twice.exe >twice.out 2>&1
check "replaced packages verify" grep -q '^SETUP: [0-9]* files, verified' twice.out

# A failed build leaves the output as it was, and no temporary file beside it.
cp Setup.exe Before.exe
mkdir broken && cp -r "$setup_dir" broken/setup && rm broken/setup/Install.xml
"$tool" build --setup broken/setup --product "$product_dir" --stub "$stub" -o Setup.exe 2>broken.err
check "a broken folder fails the build" test $? -eq 1
check "and names the file" grep -q 'Install.xml: error: missing' broken.err
echo 'not a program' >notastub.exe
"$tool" build --setup "$setup_dir" --product "$product_dir" --stub notastub.exe -o Setup.exe 2>stub2.err
check "a stub that is no program fails the build" test $? -eq 1
check "and says why" grep -q 'notastub.exe: not a Windows program' stub2.err
check "the output is untouched by failures" cmp -s Setup.exe Before.exe
check "no temporary file is left" test -z "$(find . -maxdepth 1 -name '.*.exe.*')"

# --- Signing ------------------------------------------------------------------
openssl req -x509 -newkey rsa:2048 -nodes -keyout key.pem -out cert.pem -days 2 \
  -subj '/CN=ZIVR Test Signer' >/dev/null 2>&1
openssl pkcs12 -export -in cert.pem -inkey key.pem -out cert.p12 -passout pass:secret >/dev/null 2>&1
echo secret >password.txt
echo wrong >wrong.txt
build -o Signed.exe --sign-pkcs12 cert.p12 --password-file password.txt >sign.out 2>sign.err
check "signed build exits 0" test $? -eq 0
"$tool" verify Signed.exe --ca cert.pem >signed-verify.out 2>&1
check "the signature verifies" test $? -eq 0
check "verify shows the signer" grep -q 'ZIVR Test Signer' signed-verify.out
build -o Failed.exe --sign-pkcs12 cert.p12 --password-file wrong.txt >/dev/null 2>failed.err
check "signing with a wrong password fails" test $? -eq 1
check "and says signing failed" grep -q 'signing failed' failed.err
check "no unsigned file under the output name" test ! -e Failed.exe
check "no temporary file is left after signing" test -z "$(find . -maxdepth 1 -name '.*.exe.*')"
"$launcher" "$work/Signed.exe" '/AUTO=C:\ZIVR-none' /UPDATE /SILENT 2>signed-run.err
check "the signed installer runs and reads its packages" grep -q 'Cannot install update on v0.00' signed-run.err

# --- Under Wine: both installers do the same ------------------------------------
# What an installation leaves: files with digests (the uninstaller is checked
# apart, it is a copy of its installer), the uninstall entry, the uninstall log.
snapshot() { # snapshot SETUP.exe FOLDER NAME
  local setup=$1 folder=$2 name=$3 dest=$drive/$2
  rm -rf "$dest"
  "$launcher" reg delete "$uninstall_key" /f >/dev/null 2>&1
  rm -rf "$drive/zivr-vendor-logs" && mkdir -p "$drive/zivr-vendor-logs"
  "$launcher" "$setup" "/AUTO=C:\\$folder" /SILENT '/LOG=C:\zivr-vendor-logs\install.txt'
  check "$name: install exits 0" test $? -eq 0
  check "$name: Uninstall.exe is its installer" cmp -s "$setup" "$dest/Uninstall.exe"
  # The configuration is compared without the copy's own new identifier.
  (cd "$dest" && find . -type f ! -name Uninstall.exe ! -name Uninstall.dat ! -name ZIVR.ini \
    -print0 | sort -z | xargs -0 md5sum) >"$name.files"
  iconv -f UTF-16 -t UTF-8 "$dest/ZIVR.ini" | grep -v '^ID=' >>"$name.files"
  "$launcher" reg query "$uninstall_key" 2>/dev/null | tr -d '\r' | sed "s/$folder/DEST/g" >"$name.entry"
  check "$name: the uninstall entry exists" grep -q DisplayName "$name.entry"
  "$ipk5" extract "$dest/Uninstall.dat" -o "$name.dat" >/dev/null
  iconv -f UTF-16LE -t UTF-8 "$name.dat/Uninstall.ini" | sed "s/$folder/DEST/g" >"$name.log"
  "$launcher" "C:\\$folder\\Uninstall.exe" /AUTO /SILENT '/LOG=C:\zivr-vendor-logs\uninstall.txt'
  check "$name: uninstall exits 0" test $? -eq 0
  "$launcher" --stop # the uninstaller goes on from the temporary folder
  # The runs' logs without what differs by nature: times, durations, the
  # installer's own path and the folder's name.
  for part in install uninstall; do
    cut -c26- "$drive/zivr-vendor-logs/$part.txt" | sed -E "s/$folder/DEST/g; s/ [0-9]+ ms/ N ms/;
      /^(Program|Command line): /d; s/\(copy of .*\)/(copy of SETUP)/" >"$name.$part.log"
  done
  check "$name: the logs were written" test -s "$name.uninstall.log"
  (cd "$dest" 2>/dev/null && find . | sort) >"$name.left"
  "$launcher" reg query "$uninstall_key" >/dev/null 2>&1
  check "$name: the uninstall entry is removed" test $? -ne 0
  rm -rf "$dest"
}
snapshot "$cmake_setup" ZIVR-cmake cmake
snapshot "$work/Setup.exe" ZIVR-vendor vendor
check "the same files are installed" cmp cmake.files vendor.files
check "the same uninstall entry" cmp cmake.entry vendor.entry
check "the same uninstall log" cmp cmake.log vendor.log
check "the same is left after removal" cmp cmake.left vendor.left
check "the same installation log" diff cmake.install.log vendor.install.log
check "the same removal log" diff cmake.uninstall.log vendor.uninstall.log
check "something was installed" test "$(wc -l <vendor.files)" -gt 5
rm -rf "$drive/zivr-vendor-logs" "$drive/users/Public/Desktop/ZIVR.lnk" \
       "$drive/ProgramData/Microsoft/Windows/Start Menu/Programs/ZIVR"
finish
