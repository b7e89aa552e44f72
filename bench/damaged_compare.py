#!/usr/bin/env python3
"""Damaged-file comparison: makes variants of real PDFs (truncations, missing tables and
trailers, bad startxref offsets, byte flips, cut and repeated spans, wild numbers) and counts how
often brevia-cli, pdftoppm and mutool render page 1 of them, with crashes and hangs.

usage: damaged_compare.py [--brevia PATH] [--out DIR] [--sources N] [SOURCE.pdf ...]
Without sources, a fixed choice of PDFs under /usr/share/doc is used. Deterministic.
"""
import argparse
import glob
import os
import random
import re
import shutil
import signal
import subprocess
import sys

TIMEOUT_SECONDS = 20
DPI = "40"


def variants(data, rng):
    """(name, bytes) pairs, about forty per source."""
    out = []
    n = len(data)
    for pct in (5, 10, 25, 40, 50, 60, 75, 90, 95, 99):
        out.append((f"trunc{pct}", data[: n * pct // 100]))
    out.append(("trunc-last-1k", data[: max(0, n - 1024)]))
    # Every classic table removed (from xref to trailer), and the trailer dictionaries removed.
    out.append(("no-xref", re.sub(rb"\bxref\s.*?(?=trailer)", b"", data, flags=re.S)))
    out.append(("no-trailer", re.sub(rb"trailer\s*<<.*?>>\s*(?=startxref)", b"", data, flags=re.S)))
    out.append(("no-startxref", data.replace(b"startxref", b"startxrex")))
    out.append(("no-xref-no-trailer",
                re.sub(rb"\bxref\s.*?%%EOF", b"", data, flags=re.S)))
    for k, value in enumerate((b"0", b"17", b"999999999", str(n // 2).encode())):
        out.append((f"bad-startxref{k}",
                    re.sub(rb"(startxref\s+)\d+", lambda m: m.group(1) + value, data)))
    # Table offsets shifted by a few bytes.
    out.append(("shifted-offsets",
                re.sub(rb"(\d{10}) (\d{5}) n",
                       lambda m: b"%010d %s n" % (max(0, int(m.group(1)) + 7), m.group(2)), data)))
    for k in range(8):
        flipped = bytearray(data)
        for _ in range(1 + k * 3):
            at = rng.randrange(n)
            flipped[at] ^= 1 << rng.randrange(8)
        out.append((f"flip{k}", bytes(flipped)))
    for k in range(5):
        a = rng.randrange(n)
        b = min(n, a + rng.randrange(1, max(2, n // 20)))
        out.append((f"cut{k}", data[:a] + data[b:]))
    for k in range(4):
        a = rng.randrange(n)
        b = min(n, a + rng.randrange(1, max(2, n // 20)))
        out.append((f"repeat{k}", data[:b] + data[a:b] + data[b:]))
    numbers = [m.start() for m in re.finditer(rb"(?<=[\s\[])\d+(?=[\s\]/>])", data)]
    for k in range(3):
        wild = data
        for _ in range(5):
            if not numbers:
                break
            at = rng.choice(numbers)
            end = at
            while end < len(wild) and wild[end:end + 1].isdigit():
                end += 1
            wild = wild[:at] + str(rng.choice((2**31 - 1, 2**31 + 5, 4294967295, 99999999999))).encode() + wild[end:]
        out.append((f"wild{k}", wild))
    return out


def run(cmd, produced):
    """'ok', 'fail', 'crash' or 'hang'."""
    for p in produced:
        if os.path.exists(p):
            os.remove(p)
    try:
        r = subprocess.run(cmd, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                           timeout=TIMEOUT_SECONDS)
    except subprocess.TimeoutExpired:
        return "hang"
    if r.returncode < 0 and -r.returncode in (signal.SIGSEGV, signal.SIGABRT, signal.SIGBUS,
                                               signal.SIGFPE, signal.SIGILL):
        return "crash"
    ok = r.returncode == 0 and any(os.path.exists(p) and os.path.getsize(p) > 0 for p in produced)
    return "ok" if ok else "fail"


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--brevia", default=os.path.join(os.path.dirname(__file__), "..", "build", "bin", "brevia-cli"))
    ap.add_argument("--out", default="/tmp/brevia-damaged")
    ap.add_argument("--sources", type=int, default=10)
    ap.add_argument("files", nargs="*")
    args = ap.parse_args()
    rng = random.Random(16)
    sources = args.files
    if not sources:
        found = sorted(f for f in glob.glob("/usr/share/doc/**/*.pdf", recursive=True)
                       if 20_000 < os.path.getsize(f) < 1_500_000)
        sources = random.Random(7).sample(found, min(args.sources, len(found)))
    os.makedirs(args.out, exist_ok=True)
    # A copy, so that rebuilding during a run does not disturb it.
    brevia = os.path.join(args.out, "brevia-cli")
    shutil.copy2(args.brevia, brevia)
    tools = {
        "brevia": lambda f, o: ([brevia, "render", f, "--page", "1", "--dpi", DPI, "-o", o + ".png"], [o + ".png"]),
        "pdftoppm": lambda f, o: (["pdftoppm", "-r", DPI, "-f", "1", "-l", "1", "-png", "-singlefile", f, o], [o + ".png"]),
        "mutool": lambda f, o: (["mutool", "draw", "-q", "-r", DPI, "-o", o + ".png", f, "1"], [o + ".png"]),
    }
    counts = {t: {"ok": 0, "fail": 0, "crash": 0, "hang": 0} for t in tools}
    lost = []  # variants mutool renders and we do not
    total = 0
    for s in sources:
        data = open(s, "rb").read()
        for name, bytes_ in variants(data, rng):
            total += 1
            path = os.path.join(args.out, f"{os.path.basename(s)[:-4]}-{name}.pdf")
            with open(path, "wb") as fh:
                fh.write(bytes_)
            result = {}
            for tool, make in tools.items():
                cmd, produced = make(path, os.path.join(args.out, "out-" + tool))
                result[tool] = run(cmd, produced)
                counts[tool][result[tool]] += 1
            if result["mutool"] == "ok" and result["brevia"] != "ok":
                lost.append(os.path.basename(path))
    print(f"damaged variants: {total} from {len(sources)} files")
    for tool, c in counts.items():
        print(f"{tool:9s} page 1 rendered {c['ok']:4d}  failed {c['fail']:4d}  crashed {c['crash']}  hung {c['hang']}")
    if lost:
        print("rendered by mutool but not by brevia:", " ".join(lost[:40]))


if __name__ == "__main__":
    sys.exit(main())
