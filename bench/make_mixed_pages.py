#!/usr/bin/env python3
"""Makes one PDF of COUNT pages taken evenly from the given PDFs (qpdf --pages).

    bench/make_mixed_pages.py OUT.pdf COUNT FILE.pdf...
"""
import subprocess
import sys


def page_count(path):
    try:
        out = subprocess.run(["qpdf", "--show-npages", path], capture_output=True, text=True,
                             timeout=60)
        return int(out.stdout.strip()) if out.returncode in (0, 3) else 0
    except (ValueError, subprocess.TimeoutExpired):
        return 0


def main():
    out, count, files = sys.argv[1], int(sys.argv[2]), sys.argv[3:]
    sources = [(f, n) for f in files if (n := page_count(f)) > 0]
    if not sources:
        sys.exit("no readable PDF given")
    per_file = max(1, count // len(sources))
    args = []
    taken = 0
    for path, n in sources:
        take = min(per_file, n, count - taken)
        if take <= 0:
            break
        step = n / take
        pages = sorted({int(i * step) + 1 for i in range(take)})
        args += [path, ",".join(map(str, pages))]
        taken += len(pages)
    subprocess.run(["qpdf", "--empty", "--pages", *args, "--", out], check=False,
                   stderr=subprocess.DEVNULL)
    print(f"{out}: {taken} pages from {len(sources)} files", file=sys.stderr)


if __name__ == "__main__":
    main()
