#!/usr/bin/env python3
"""The bridge call and getDocumentBody through both builds of Quorvane.exe under Wine.

    real_cef.py RESULTS_DIR STANDIN_EXE DOUBLE_EXE [RUNS]

STANDIN_EXE is the stand-in build's executable, DOUBLE_EXE the real-SDK build's beside
the libcef.dll double (CEF's own wrapper between the program and the engine). Each
figure is a renderer that plays a scenario of many steps, timed as a whole process,
less the same renderer with the steps left out; the two builds run alternately, RUNS
times each (default 5), and the medians count. Writes RESULTS_DIR/real_cef.json.
REAL_CEF_FIGURES=bridge (or document) runs one figure only.
"""
import json
import os
import statistics
import subprocess
import sys
import tempfile
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
WINE = os.path.join(ROOT, "tools", "wine.sh")

CALLS = 20000
CAPTURES = 200
BODY_CHARS = 1 << 20

PAGE = '{"op":"browser","id":1}\n{"op":"context","browser":1,"frame":"main"}\n'
CALL = ('{"op":"call","browser":1,"frame":"main","function":"filesDropped",'
        '"args":["a",2.5,true]}\n')
BODY = '{"op":"body","browser":1,"text":"%s"}\n' % ("x" * BODY_CHARS)
CAPTURE = ('{"op":"message","browser":1,"frame":"main","source":"browser",'
           '"name":"getDocumentBody","args":["1"]}\n')

FIGURES = {
    "bridge": (PAGE, CALL * CALLS, CALLS),
    "document": (PAGE + BODY, CAPTURE * CAPTURES, CAPTURES),
}


def timed_run(exe, scenario_path):
    env = dict(os.environ)
    env.pop("CEF_STANDIN_LOG", None)
    env["CEF_STANDIN_SCENARIO"] = scenario_path
    start = time.perf_counter()
    done = subprocess.run([WINE, exe, "C:\\X", "--type=renderer"], env=env,
                          stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    elapsed = time.perf_counter() - start
    if done.returncode != 0:
        sys.exit("real_cef.py: %s exited with %d" % (exe, done.returncode))
    return elapsed


def main():
    results, standin, double = sys.argv[1:4]
    runs = int(sys.argv[4]) if len(sys.argv) > 4 else 5
    out = {"runs": runs}
    with tempfile.TemporaryDirectory() as scratch:
        chosen = os.environ.get("REAL_CEF_FIGURES", "").split(",")
        for figure, (setup, steps, count) in FIGURES.items():
            if chosen != [""] and figure not in chosen:
                continue
            paths = {}
            for kind, text in (("base", setup), ("full", setup + steps)):
                paths[kind] = os.path.join(scratch, "%s-%s.jsonl" % (figure, kind))
                with open(paths[kind], "w") as f:
                    f.write(text)
            times = {(b, k): [] for b in ("standin", "double") for k in ("base", "full")}
            for _ in range(runs):
                for build, exe in (("standin", standin), ("double", double)):
                    for kind in ("base", "full"):
                        times[(build, kind)].append(timed_run(exe, paths[kind]))
            entry = {"count": count}
            for build in ("standin", "double"):
                full = statistics.median(times[(build, "full")])
                base = statistics.median(times[(build, "base")])
                entry[build + "_ns"] = max(full - base, 0.0) / count * 1e9
            out[figure] = entry
            print("%s: stand-in build %.0f ns, real-SDK build with the double %.0f ns per step"
                  % (figure, entry["standin_ns"], entry["double_ns"]), file=sys.stderr)
    with open(os.path.join(results, "real_cef.json"), "w") as f:
        json.dump(out, f, indent=1)


if __name__ == "__main__":
    main()
