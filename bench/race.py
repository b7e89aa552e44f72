#!/usr/bin/env python3
"""Times several commands against each other in one run.

    bench/race.py [--runs N] [--stdout FILE] LABEL -- COMMAND... [--- LABEL -- COMMAND...]...

The commands run in turn (A, B, C, A, B, C, ...) so that a change in the machine's load falls on
all of them alike. Prints, for each command, the median wall and processor time (user + system
of the command and its children) and the peak resident memory; then, for every command after
the first, the median of the per-round ratios of its wall time to the first command's.
Standard output of the commands goes to /dev/null unless --stdout names a file.
"""
import os
import resource
import statistics
import subprocess
import sys
import time


def parse(argv):
    runs = 5
    out = os.devnull
    while argv and argv[0].startswith("--") and argv[0] != "---":
        if argv[0] == "--runs":
            runs = int(argv[1])
            argv = argv[2:]
        elif argv[0] == "--stdout":
            out = argv[1]
            argv = argv[2:]
        else:
            sys.exit("unknown option " + argv[0])
    commands = []
    while argv:
        if len(argv) < 3 or argv[1] != "--":
            sys.exit(__doc__)
        label = argv[0]
        rest = argv[2:]
        end = rest.index("---") if "---" in rest else len(rest)
        commands.append((label, rest[:end]))
        argv = rest[end + 1:]
    if not commands:
        sys.exit(__doc__)
    return runs, out, commands


def run_once(command, out):
    before = resource.getrusage(resource.RUSAGE_CHILDREN)
    start = time.perf_counter()
    with open(out, "wb") as sink:
        proc = subprocess.Popen(command, stdout=sink, stderr=subprocess.DEVNULL)
        _, status, usage = os.wait4(proc.pid, 0)
    wall = time.perf_counter() - start
    after = resource.getrusage(resource.RUSAGE_CHILDREN)
    cpu = (after.ru_utime - before.ru_utime) + (after.ru_stime - before.ru_stime)
    if status != 0:
        print(f"  warning: {command[0]} exited with status {status >> 8}", file=sys.stderr)
    return wall, cpu, usage.ru_maxrss


def main():
    runs, out, commands = parse(sys.argv[1:])
    results = {label: [] for label, _ in commands}
    for _ in range(runs):
        for label, command in commands:
            results[label].append(run_once(command, out))
    width = max(len(label) for label, _ in commands)
    for label, _ in commands:
        walls = [r[0] for r in results[label]]
        cpus = [r[1] for r in results[label]]
        peak = max(r[2] for r in results[label])
        print(f"{label:<{width}}  wall {statistics.median(walls) * 1000:9.1f} ms   "
              f"cpu {statistics.median(cpus) * 1000:9.1f} ms   peak {peak / 1024:7.1f} MiB")
    first = commands[0][0]
    for label, _ in commands[1:]:
        ratios = [b[0] / a[0] for a, b in zip(results[first], results[label]) if a[0] > 0]
        cpu_ratios = [b[1] / a[1] for a, b in zip(results[first], results[label]) if a[1] > 0]
        print(f"{label} / {first}: wall x{statistics.median(ratios):.2f}, "
              f"cpu x{statistics.median(cpu_ratios):.2f} (medians of {runs} rounds)")


if __name__ == "__main__":
    main()
