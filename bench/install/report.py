#!/usr/bin/env python3
"""Prints the install benchmark's table (Markdown) from the times run.sh kept.

    report.py WORK INSTALL_WAITS REMOVAL_WAITS SET...
"""
import os
import statistics
import sys


def times(path):
    with open(path) as f:
        return [float(line) for line in f if line.strip()]


def payload(base):
    files = size = 0
    for folder, _, names in os.walk(os.path.join(base, "product")):
        for name in names:
            files += 1
            size += os.path.getsize(os.path.join(folder, name))
    return files, size


def mb(n):
    return f"{n / 1e6:.2f} MB"


def main():
    work, waits = sys.argv[1], {"install": float(sys.argv[2]), "remove": float(sys.argv[3])}
    build = os.path.join(os.path.dirname(work), "win64", "bench", "install")
    per_file = {}
    for s in sys.argv[4:]:
        base = os.path.join(work, "payloads", s)
        files, size = payload(base)
        out = os.path.join(work, "times", s)
        rounds = len(times(f"{out}.install.ours"))
        print(f"\n### {s}: {files} files, {mb(size)}, median of {rounds} alternating rounds\n")
        print("| | ZIVR Setup | less the deliberate waits | NSIS | ratio (less waits) |")
        print("|---|---|---|---|---|")
        for race, label in (("install", "silent install"), ("remove", "silent removal")):
            ours = statistics.median(times(f"{out}.{race}.ours"))
            peer = statistics.median(times(f"{out}.{race}.nsis"))
            net = ours - waits[race]
            per_file[(s, race)] = net / files
            print(f"| {label}, wall | {ours:.2f} s | {net:.2f} s | {peer:.2f} s | {net / peer:.2f}× |")
        setup = os.path.getsize(os.path.join(base, "Setup.exe"))
        peer = os.path.getsize(os.path.join(work, "nsis", s + ".exe"))
        packages = os.path.join(build, f"bench_setup_{s}.packages")
        pkg = {k: os.path.getsize(os.path.join(packages, k + ".ipk5")) for k in ("SETUP", "PRODUCT")}
        stub = setup - pkg["SETUP"] - pkg["PRODUCT"]
        print(f"| installer size | {mb(setup)} (stub {stub / 1024:.0f} KiB, SETUP {pkg['SETUP'] / 1024:.0f}"
              f" KiB, PRODUCT {mb(pkg['PRODUCT'])}) | | {mb(peer)} | {setup / peer:.2f}× |")
    if ("gen1000", "install") in per_file and ("gen10000", "install") in per_file:
        print("\nTime per file (less the waits), 10,000 files against 1,000:")
        for race in ("install", "remove"):
            a, b = per_file[("gen1000", race)], per_file[("gen10000", race)]
            print(f"- {race}: {a * 1e3:.2f} ms → {b * 1e3:.2f} ms per file ({b / a:.2f}×)")


if __name__ == "__main__":
    main()
