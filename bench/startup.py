#!/usr/bin/env python3
"""Times the start of two Windows programs under Wine, alternating them run by run so
that a busy machine slows both alike. Writes the times (seconds) as JSON.
    startup.py OUT.json RUNS NAME=COMMAND... (each command run through tools/wine.sh)"""
import json
import os
import subprocess
import sys
import time

WARMUP = 5


def main():
    out, runs = sys.argv[1], int(sys.argv[2])
    programs = [arg.split("=", 1) for arg in sys.argv[3:]]
    wine = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tools", "wine.sh")
    times = {name: [] for name, _ in programs}
    for run in range(WARMUP + runs):
        for name, command in programs:
            start = time.perf_counter()
            subprocess.run([wine] + command.split(), check=True, stdin=subprocess.DEVNULL,
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            if run >= WARMUP:
                times[name].append(time.perf_counter() - start)
    with open(out, "w") as f:
        json.dump({"results": [{"command": name, "times": times[name]} for name, _ in programs]},
                  f, indent=1)


if __name__ == "__main__":
    main()
