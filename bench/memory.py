#!/usr/bin/env python3
"""Measures the private memory of waiting child processes under Wine, alternating the
programs run by run. Each is started by child_memory.exe, which prints one JSON line.
    memory.py OUT.json RUNS NAME=COMMAND... (each command run through tools/wine.sh)"""
import json
import os
import subprocess
import sys


def main():
    out, runs = sys.argv[1], int(sys.argv[2])
    programs = [arg.split("=", 1) for arg in sys.argv[3:]]
    here = os.path.dirname(os.path.abspath(__file__))
    wine = os.path.join(here, "..", "tools", "wine.sh")
    probe = os.path.join(here, "..", "build", "bench", "child_memory.exe")
    samples = {name: [] for name, _ in programs}
    for _ in range(runs):
        for name, command in programs:
            done = subprocess.run([wine, probe] + command.split(), check=True,
                                  stdin=subprocess.DEVNULL, capture_output=True, text=True)
            samples[name].append(json.loads(done.stdout.strip().splitlines()[-1]))
    with open(out, "w") as f:
        json.dump({"results": [{"command": name, "samples": samples[name]} for name, _ in programs]},
                  f, indent=1)


if __name__ == "__main__":
    main()
