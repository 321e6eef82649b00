#!/usr/bin/env python3
"""Turns the results of bench/run.sh into one table: each figure of Quorvane beside its
peer's, and their ratio as time per item (below 1: Quorvane is faster)."""
import json
import os
import statistics
import sys


def load_benchmarks(path):
    """Median aggregate of every benchmark, by run name."""
    if not os.path.exists(path):
        return {}
    with open(path) as f:
        data = json.load(f)
    found = {}
    for run in data.get("benchmarks", []):
        if run.get("run_type") == "aggregate" and run.get("aggregate_name") != "median":
            continue
        # Without repetitions there are no aggregates: the runs themselves count.
        found[run["run_name"]] = run
    return found


def nanoseconds(run, field="real_time"):
    scale = {"ns": 1.0, "us": 1e3, "ms": 1e6, "s": 1e9}[run.get("time_unit", "ns")]
    return run[field] * scale


def per_item_ns(run):
    return 1e9 / run["items_per_second"]


def fmt_ns(value):
    if value >= 1e6:
        return f"{value / 1e6:.2f} ms"
    if value >= 1e3:
        return f"{value / 1e3:.2f} µs"
    return f"{value:.2f} ns"


def fmt_rate(per_item):
    rate = 1e9 / per_item
    return f"{rate / 1e6:.2f} M/s" if rate >= 1e6 else f"{rate / 1e3:.0f} k/s"


def fmt_mib(value, signed=False):
    return f"{value / 1048576:{'+' if signed else ''}.2f} MiB"


def ratio(ours, peer):
    return f"{ours / peer:.2f}" if peer else "—"


def host_note(results):
    """Says once, at the top, when Wine's 32-bit programs ran under emulation."""
    path = os.path.join(results, "ia32.txt")
    mode = open(path).read().strip() if os.path.exists(path) else "native"
    if mode != "native":
        print(f"Note: 32-bit programs ran under emulation on this host ({mode}). The figures "
              "measured under Wine (start-up, memory) are not comparable with a native "
              "host's; their ratios, ours against a yardstick run the same way, are.")


def idle_rows(runs, rows):
    """Worker CPU per task of sparse work, against a plain mutex + condition variable queue
    measured in the same run."""
    field = "worker_cpu_us_per_task"

    def row(figure, ours, floor, floor_name, with_ratio=True):
        if ours in runs and floor in runs:
            a, b = runs[ours][field], runs[floor][field]
            rows.append((figure, f"{a:.2f} µs", f"{b:.2f} µs ({floor_name})",
                         ratio(a, b) if with_ratio else "—"))

    plain = "plain mutex + condition variable queue"
    row("Worker CPU per task, one task every 1 ms", "BM_IdleCost_AsyncQueue/1000/iterations:1/real_time",
        "BM_IdleCost_PlainQueue/1000/iterations:1/real_time", plain)
    row("Worker CPU per task, one task every 100 ms",
        "BM_IdleCost_AsyncQueue/100000/iterations:1/real_time",
        "BM_IdleCost_PlainQueue/100000/iterations:1/real_time", plain)
    row("Worker CPU per record, one record every 1 ms through a logger",
        "BM_IdleCost_LoggerRecord/iterations:1/real_time",
        "BM_IdleCost_PlainQueueFormatting/iterations:1/real_time", plain + ", formatting the line")
    row("Worker CPU per deferred task, one every 1 ms while initialising (nothing can run)",
        "BM_IdleCost_AsyncQueueDeferred/iterations:1/real_time",
        "BM_IdleCost_PlainQueue/1000/iterations:1/real_time", plain + ", running them",
        with_ratio=False)


def one_cpu_rows(results, runs, rows):
    """The accepted record and records per second pinned to one CPU, and the two-CPU figure
    against the one-CPU one."""
    pinned = load_benchmarks(os.path.join(results, "onecpu.json"))
    ours, peer = "BM_AcceptedLog_Quorvane", "BM_AcceptedLog_Spdlog"
    if ours in pinned and peer in pinned:
        a, b = nanoseconds(pinned[ours]), nanoseconds(pinned[peer])
        rows.append(("Accepted record, calling thread, one CPU (taskset -c 0)", fmt_ns(a),
                     f"{fmt_ns(b)} (spdlog async, one CPU)", ratio(a, b)))
        if ours in runs:
            two = nanoseconds(runs[ours])
            rows.append(("Accepted record, two CPUs against one CPU", fmt_ns(two),
                         f"{fmt_ns(a)} (Quorvane, one CPU)", ratio(two, a)))
    ours, peer = "BM_Throughput_Quorvane/real_time", "BM_Throughput_Spdlog/real_time"
    if ours in pinned and peer in pinned:
        a, b = per_item_ns(pinned[ours]), per_item_ns(pinned[peer])
        rows.append(("Records per second, one CPU (taskset -c 0)", fmt_rate(a),
                     f"{fmt_rate(b)} (spdlog async, one CPU)", ratio(a, b)))


def burst_rows(results, rows):
    """Resident memory of a process through a burst of records: medians of the runs."""
    path = os.path.join(results, "burst.json")
    if not os.path.exists(path):
        return
    with open(path) as f:
        burst = [json.loads(line) for line in f if line.strip()]
    if not burst:
        return

    def median(key):
        return statistics.median(run[key] for run in burst)

    label = f"{burst[0]['records']:,} records from {burst[0]['threads']} threads"
    rows.append((f"Burst of {label}: peak resident memory (median of {len(burst)})",
                 fmt_mib(median("peak")), f"{fmt_mib(median('before'))} before the burst", "—"))
    rows.append(("The burst written and the worker idle: resident memory",
                 f"{fmt_mib(median('drained'))} "
                 f"({fmt_mib(median('drained') - median('before'), signed=True)})",
                 f"{fmt_mib(median('before'))} before the burst (target: within 32 MB)", "—"))
    rows.append(("The logger destroyed: resident memory",
                 f"{fmt_mib(median('destroyed'))} "
                 f"({fmt_mib(median('destroyed') - median('start'), signed=True)})",
                 f"{fmt_mib(median('start'))} at the process's start (target: within 8 MB)", "—"))


def main():
    results = sys.argv[1] if len(sys.argv) > 1 else "build/bench/results"
    runs = load_benchmarks(os.path.join(results, "benchmarks.json"))
    rows = []

    def timed(figure, ours, peer, peer_name, field="real_time"):
        if ours in runs and peer in runs:
            a, b = nanoseconds(runs[ours], field), nanoseconds(runs[peer], field)
            rows.append((figure, fmt_ns(a), f"{fmt_ns(b)} ({peer_name})", ratio(a, b)))

    def rate(figure, ours, peer, peer_name):
        if ours in runs and peer in runs:
            a, b = per_item_ns(runs[ours]), per_item_ns(runs[peer])
            rows.append((figure, fmt_rate(a), f"{fmt_rate(b)} ({peer_name})", ratio(a, b)))

    def alone(figure, ours, note):
        if ours in runs:
            rows.append((figure, fmt_ns(nanoseconds(runs[ours])), note, "—"))

    def counter(figure, ours, peer, peer_name, name, unit):
        if ours in runs and peer in runs:
            a, b = runs[ours][name], runs[peer][name]
            rows.append((figure, f"{a:.1f} {unit}", f"{b:.1f} {unit} ({peer_name})", ratio(a, b)))

    timed("Dropped log call (logger as created)", "BM_DroppedLog_Quorvane",
          "BM_DroppedLog_Spdlog", "spdlog, level off")
    parts = []
    for name, part in (("BM_Part_Timestamp", "UTC timestamp (platform formatter)"),
                       ("BM_Part_TimestampFormattedEachTime",
                        "UTC timestamp, formatted in full each time"),
                       ("BM_Part_AddTaskBusyWorker", "addTask while the worker is busy")):
        if name in runs:
            parts.append((part, fmt_ns(nanoseconds(runs[name]))))
    if "BM_Part_LineBetweenCpus/real_time" in runs:
        parts.append(("one cache line moved from one CPU to the other",
                      fmt_ns(per_item_ns(runs["BM_Part_LineBetweenCpus/real_time"]))))

    dropped_allocations = 0
    if "BM_DroppedLog_Quorvane" in runs:
        allocations = runs["BM_DroppedLog_Quorvane"]["allocs_per_call"]
        dropped_allocations = allocations
        verdict = "ok" if allocations == 0 else "NOT 0"
        peer = runs.get("BM_DroppedLog_Spdlog", {}).get("allocs_per_call", float("nan"))
        rows.append(("Heap allocations per dropped call (must be 0)", f"{allocations:g} ({verdict})",
                     f"{peer:g} (spdlog)", "—"))
    timed("Dropped call site: a queue report, message built and both literals restored",
          "BM_DroppedCallSite_Quorvane", "BM_DroppedCallSite_Spdlog", "spdlog, format args")
    timed("Accepted record, calling thread", "BM_AcceptedLog_Quorvane", "BM_AcceptedLog_Spdlog",
          "spdlog async, null sink")
    if "BM_AcceptedLog_Quorvane" in runs:
        rows.append(("Heap allocations per accepted record, calling thread",
                     f"{runs['BM_AcceptedLog_Quorvane']['allocs_per_call']:.3f}",
                     f"{runs.get('BM_AcceptedLog_Spdlog', {}).get('allocs_per_call', float('nan')):.2f}"
                     " (spdlog)", "—"))
    rate("Records per second, queue to a counting sink", "BM_Throughput_Quorvane/real_time",
         "BM_Throughput_Spdlog/real_time", "spdlog async")
    rate("AsyncQueue tasks per second, 1 producer", "BM_Tasks_AsyncQueue/1/real_time",
         "BM_Tasks_Asio/1/real_time", "asio io_context")
    rate("AsyncQueue tasks per second, 2 producers", "BM_Tasks_AsyncQueue/2/real_time",
         "BM_Tasks_Asio/2/real_time", "asio io_context")
    latency_ours = "BM_Latency_AsyncQueue/iterations:5000/real_time"
    latency_peer = "BM_Latency_Asio/iterations:5000/real_time"
    counter("Add-to-start latency, median", latency_ours, latency_peer, "asio", "median_us", "µs")
    counter("Add-to-start latency, 99th percentile", latency_ours, latency_peer, "asio", "p99_us",
            "µs")
    idle_rows(runs, rows)
    one_cpu_rows(results, runs, rows)
    burst_rows(results, rows)
    alone("Masking a 64 KiB message, 8 192 occurrences of one word", "BM_Masking_Quorvane/real_time",
          "no peer masks")
    timed("Bridge call: Execute, 3 arguments, message sent", "BM_Bridge_Execute", "BM_Bridge_Floor",
          "stand-in floor")
    timed("Bridge call made by a page script (compiled and run), against a call step",
          "BM_Bridge_PageScript", "BM_Bridge_CallStep", "call step")

    timed("getDocumentBody, 10 MiB body: message received to reply sent",
          "BM_DocumentBody_Quorvane/real_time", "BM_DocumentBody_Floor/real_time",
          "stand-in floor")
    timed("getDocumentBody, 10 MiB body, against copying the text once",
          "BM_DocumentBody_Quorvane/real_time", "BM_DocumentBody_CopyOnce/real_time",
          "one UTF-16 copy")
    alone("getDocumentBody, 10 MiB body: the text to UTF-8 and back (in the figure above)",
          "BM_DocumentBody_Conversions/real_time", "the visitor's UTF-8 callback")
    counter("getDocumentBody, 10 MiB body: peak heap held during the request",
            "BM_DocumentBody_Quorvane/real_time", "BM_DocumentBody_Floor/real_time",
            "stand-in floor", "peak_MiB", "MiB")
    counter("getDocumentBody, 10 MiB body: peak heap, against copying the text once",
            "BM_DocumentBody_Quorvane/real_time", "BM_DocumentBody_CopyOnce/real_time",
            "one UTF-16 copy", "peak_MiB", "MiB")

    startup = os.path.join(results, "startup.json")
    if os.path.exists(startup):
        with open(startup) as f:
            times = {r["command"]: r["times"] for r in json.load(f)["results"]}
        ours = statistics.median(times["quorvane"]) * 1e9
        runs_each = len(times["quorvane"])
        for peer_key, peer_name in (("empty", "empty PE32"),
                                    ("command_line", "empty PE32 + CommandLineToArgvW")):
            if peer_key in times:
                peer = statistics.median(times[peer_key]) * 1e9
                rows.append((f"Start-up under Wine, median of {runs_each} runs", fmt_ns(ours),
                             f"{fmt_ns(peer)} ({peer_name})", ratio(ours, peer)))
    memory = os.path.join(results, "memory.json")
    if os.path.exists(memory):
        with open(memory) as f:
            private = {r["command"]: [s["private_bytes"] for s in r["samples"]]
                       for r in json.load(f)["results"]}
        if "quorvane" in private and "sleeping" in private:
            ours = statistics.median(private["quorvane"])
            peer = statistics.median(private["sleeping"])
            rows.append((f"Private memory of a waiting GPU child under Wine, median of "
                         f"{len(private['quorvane'])}",
                         f"{fmt_mib(ours)} ({fmt_mib(ours - peer, signed=True)})",
                         f"{fmt_mib(peer)} (PE32 that splits its command line and sleeps)",
                         ratio(ours, peer)))
            if "sleeping_with_wait" in private:
                waiting = statistics.median(private["sleeping_with_wait"])
                rows.append(("Private memory, the same program with a wait on its parent",
                             f"{fmt_mib(ours)} ({fmt_mib(ours - waiting, signed=True)})",
                             f"{fmt_mib(waiting)} (the wait: "
                             f"{fmt_mib(waiting - peer, signed=True)})", ratio(ours, waiting)))
    sizes = os.path.join(results, "sizes.txt")
    if os.path.exists(sizes):
        with open(sizes) as f:
            size = dict(line.split() for line in f if line.strip())
        for peer_key, peer_name in (("empty", "empty PE32"),
                                    ("runtime", "C++ runtime only")):
            if peer_key in size:
                rows.append(("Executable size", f"{int(size['quorvane']) / 1024:.0f} KiB",
                             f"{int(size[peer_key]) / 1024:.0f} KiB ({peer_name})",
                             ratio(int(size["quorvane"]), int(size[peer_key]))))

    real_cef = os.path.join(results, "real_cef.json")
    real_cef_note = None
    if os.path.exists(real_cef):
        with open(real_cef) as f:
            real = json.load(f)
        for key, figure in (("bridge", "Bridge call under Wine, real-SDK build and the libcef.dll "
                                       "double (%d calls, median of %d runs)"),
                            ("document", "getDocumentBody under Wine, 1 MiB body, real-SDK build "
                                         "and the double (%d requests, median of %d runs)")):
            if key in real:
                a, b = real[key]["double_ns"], real[key]["standin_ns"]
                rows.append((figure % (real[key]["count"], real["runs"]), fmt_ns(a),
                             f"{fmt_ns(b)} (stand-in build)", ratio(a, b)))
    else:
        real_cef_note = ("Rows of the real-SDK build beside the libcef.dll double skipped: "
                         "no CEF_ROOT (make bench CEF_ROOT=<tree>).")

    header = ("Figure", "Quorvane", "Peer", "Ratio")
    print()
    host_note(results)
    print("Ratio: Quorvane's time per item over the peer's (below 1: Quorvane is faster).")
    print("| " + " | ".join(header) + " |")
    print("|" + "|".join("---" for _ in header) + "|")
    for row in rows:
        print("| " + " | ".join(row) + " |")
    if parts:
        print()
        print("| Part of an accepted record on the calling thread | Time |")
        print("|---|---|")
        for part in parts:
            print("| " + " | ".join(part) + " |")
    if real_cef_note:
        print()
        print(real_cef_note)
    if dropped_allocations != 0:
        print("\nA dropped log call allocated memory: it must not.", file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
