#!/usr/bin/env python3
"""Builds the install benchmark's payloads and the peer installer's scripts.

    make_payloads.py WORK STAGE_SETUP STAGE_PRODUCT SET...

For each SET (machine, gen1000, gen10000) it writes WORK/payloads/SET/ with
  product/   the demo product (stand-ins included) plus the payload under Data\\
  setup/     the demo setup folder whose Install.xml also lists every payload file
and WORK/nsis/SET.nsi, an NSIS script that installs the same product folder and
whose uninstaller deletes the same files. A set already made by this recipe is
kept (its stamp matches), so repeated runs cost nothing.
"""
import os
import random
import re
import shutil
import sys
from xml.sax.saxutils import escape

RECIPE = "6"
MB = 1000 * 1000
SAFE = re.compile(r"^[A-Za-z0-9._+@-]+$")

WINE_DLLS = "/usr/lib/x86_64-linux-gnu/wine/x86_64-windows"
LOCALE = "/usr/share/locale"
ICONS = "/usr/share/icons"


def regular_files(top, suffix=""):
    out = []
    for folder, dirs, files in os.walk(top):
        dirs.sort()
        for name in sorted(files):
            path = os.path.join(folder, name)
            if name.endswith(suffix) and os.path.isfile(path) and not os.path.islink(path):
                out.append(path)
    return out


def machine_files():
    """(source, relative target) pairs: Windows DLLs, icons, message catalogues."""
    chosen, seen, total = [], set(), 0

    def take(source, rel):
        nonlocal total
        parts = rel.split("/")
        if not all(SAFE.match(p) for p in parts) or rel.lower() in seen:
            return
        seen.add(rel.lower())
        chosen.append((source, rel))
        total += os.path.getsize(source)

    for path in regular_files(WINE_DLLS, ".dll"):
        if os.path.getsize(path) <= 1536 * 1024 and total < 21 * MB:
            take(path, "dlls/" + os.path.basename(path))
    for path in regular_files(ICONS)[:150]:
        take(path, "icons/" + os.path.relpath(path, ICONS))
    for path in regular_files(LOCALE, ".mo"):
        if len(chosen) >= 1000:
            break
        take(path, "locale/" + os.path.relpath(path, LOCALE))
    return chosen


WORDS = ("player media skin plugin track album genre volume equalizer playlist "
         "stream codec render audio video subtitle chapter frame buffer output").split()


def generate(folder, count, folders):
    """count small text files of about 160 bytes, a folder's files in a row, the same every time."""
    rng = random.Random(count)
    rels = []
    for i in range(count):
        rel = f"gen/f{i * folders // count:03d}/file{i:05d}.txt"
        path = os.path.join(folder, rel)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        text = " ".join(rng.choice(WORDS) for _ in range(24))[:150]
        with open(path, "w", encoding="ascii", newline="\n") as f:
            f.write(f"{i:05d} {text}\n")
        rels.append(rel)
    return rels


def win(rel):
    return rel.replace("/", "\\")


def write_install_xml(template, target, rels):
    with open(template, encoding="utf-8") as f:
        text = f.read()
    lines = "".join(
        f'      <File name="{escape(chr(36) + "DEST" + chr(92) + win(r))}">{escape(win(r))}</File>\n'
        for r in rels)
    marker = "    </Components>"
    if marker not in text:
        sys.exit("make_payloads.py: no </Components> in " + template)
    with open(target, "w", encoding="utf-8", newline="\n") as f:
        f.write(text.replace(marker, lines + marker, 1))


def write_nsis(script, out_exe, product):
    files = sorted(os.path.relpath(p, product).replace(os.sep, "/") for p in regular_files(product))
    dirs = sorted({os.path.dirname(r) for r in files} - {""})
    # Every folder with its parents, deepest first for removal.
    all_dirs = set()
    for d in dirs:
        while d:
            all_dirs.add(d)
            d = os.path.dirname(d)
    key = r"Software\Microsoft\Windows\CurrentVersion\Uninstall\ZIVR-NSIS"
    out = [
        "Unicode true",
        "Target amd64-unicode",
        "SetCompressor /SOLID lzma",
        "SetCompressorDictSize 4",
        'Name "ZIVR"',
        f'OutFile "{out_exe}"',
        r'InstallDir "$PROGRAMFILES64\ZIVR-NSIS"',
        "RequestExecutionLevel admin",
        "Section",
    ]
    current = None
    for rel in files:
        folder = os.path.dirname(rel)
        if folder != current:
            out.append(r'  SetOutPath "$INSTDIR' + ("\\" + win(folder) if folder else "") + '"')
            current = folder
        out.append(f'  File "{os.path.join(product, rel)}"')
    out += [
        r'  WriteUninstaller "$INSTDIR\Uninstall.exe"',
        f'  WriteRegStr HKLM "{key}" "DisplayName" "ZIVR"',
        f'  WriteRegStr HKLM "{key}" "UninstallString" "$INSTDIR\\Uninstall.exe"',
        "SectionEnd",
        "Section Uninstall",
    ]
    out += [f'  Delete "$INSTDIR\\{win(r)}"' for r in files]
    out.append(r'  Delete "$INSTDIR\Uninstall.exe"')
    out += [f'  RMDir "$INSTDIR\\{win(d)}"'
            for d in sorted(all_dirs, key=lambda d: (-d.count("/"), d))]
    out += [r'  RMDir "$INSTDIR"', f'  DeleteRegKey HKLM "{key}"', "SectionEnd", ""]
    with open(script, "w", encoding="utf-8", newline="\n") as f:
        f.write("\n".join(out))


def make_set(work, stage_setup, stage_product, name):
    base = os.path.join(work, "payloads", name)
    stamp = os.path.join(base, "stamp")
    if os.path.exists(stamp) and open(stamp).read() == RECIPE:
        return
    shutil.rmtree(base, ignore_errors=True)
    product, setup = os.path.join(base, "product"), os.path.join(base, "setup")
    shutil.copytree(stage_product, product)
    shutil.copytree(stage_setup, setup)
    data = os.path.join(product, "Data")
    if name == "machine":
        rels = []
        for source, rel in machine_files():
            os.makedirs(os.path.dirname(os.path.join(data, rel)), exist_ok=True)
            shutil.copyfile(source, os.path.join(data, rel))
            rels.append(rel)
    elif name.startswith("gen"):
        count = int(name[3:])
        rels = generate(data, count, max(1, count // 100))
    else:
        sys.exit("make_payloads.py: unknown set " + name)
    write_install_xml(os.path.join(stage_setup, "Install.xml"), os.path.join(setup, "Install.xml"),
                      ["Data/" + r for r in rels])
    os.makedirs(os.path.join(work, "nsis"), exist_ok=True)
    write_nsis(os.path.join(work, "nsis", name + ".nsi"),
               os.path.join(work, "nsis", name + ".exe"), product)
    with open(stamp, "w") as f:
        f.write(RECIPE)


def main():
    if len(sys.argv) < 5:
        sys.exit(__doc__)
    work, stage_setup, stage_product = sys.argv[1:4]
    for name in sys.argv[4:]:
        make_set(work, stage_setup, stage_product, name)


if __name__ == "__main__":
    main()
