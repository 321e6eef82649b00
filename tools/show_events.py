#!/usr/bin/env python3
"""Prints a stand-in event log (JSON Lines) as readable text: what CEF saw."""
import json
import sys


def value_text(arg):
    kind = arg.get("type")
    if kind == "null":
        return "null"
    value = arg.get("value")
    if kind == "string":
        text = value if len(value) <= 60 else value[:57] + "..."
        return f'string "{text}"'
    return f"{kind} {json.dumps(value)}"


def describe(e):
    name = e.get("event", "?")
    if name == "CefExecuteProcess":
        kind = e["process_type"] or "browser process (no --type)"
        return f"CefExecuteProcess      process type: {kind}"
    if name == "CefInitialize":
        lines = ["CefInitialize          settings:"]
        for key, value in e["settings"].items():
            lines.append(f"    {key:<30} {json.dumps(value, ensure_ascii=False)}")
        return "\n".join(lines)
    if name == "OnBeforeCommandLineProcessing":
        return (f"OnBeforeCommandLineProcessing ({e['process_type'] or 'browser'}): switches added "
                + ", ".join(e["switches"]))
    if name == "OnRegisterCustomSchemes":
        return "OnRegisterCustomSchemes  " + ", ".join(
            f"{s['name']} (options {s['options']})" for s in e["schemes"])
    if name == "OnBeforeChildProcessLaunch":
        return f"OnBeforeChildProcessLaunch  child program: {e['program']}"
    if name == "SendProcessMessage":
        args = "; ".join(f"[{i}] {value_text(a)}" for i, a in enumerate(e.get("args", [])))
        return (f"SendProcessMessage     {e['name']} -> {e['target']} via browser {e['browser']}"
                f" frame {e['frame']}: {args or '(no arguments)'}")
    if name == "Execute":
        return (f"Execute                window.{e['function']}() in frame {e['frame']}: handled "
                f"{json.dumps(e['handled'])}, return value set {json.dumps(e['retval_set'])}, "
                f"exception {json.dumps(e.get('exception', ''))}")
    if name == "Globals":
        return f"Globals                frame {e['frame']} window has: " + ", ".join(e["names"])
    if name == "OnProcessMessageReceived":
        return (f"OnProcessMessageReceived  {e['name']} from {e['source']} via frame "
                f"{e['frame']}: answered {json.dumps(e['handled'])}")
    if name == "Script":
        head = f"Script                 {e['name']} in frame {e['frame']}: {e['outcome']}"
        if "result" in e:
            result = e["result"]
            value = result.get("value")
            if isinstance(value, str) and "\n" in value:
                # What the page saw, one entry a line.
                return head + "\n" + "\n".join("    | " + part for part in value.split("\n"))
            return head + ", value " + (json.dumps(value, ensure_ascii=False)
                                        if "value" in result else result["kind"])
        if "exception" in e:
            thrown = e["exception"]
            return head + f" ({thrown['message']}, {thrown['script']} line {thrown['line']})"
        return head
    rest = {k: v for k, v in e.items() if k != "event"}
    return f"{name:<22} {json.dumps(rest, ensure_ascii=False) if rest else ''}".rstrip()


def main():
    for line in open(sys.argv[1], encoding="utf-8"):
        line = line.strip()
        if line:
            print("  " + describe(json.loads(line)).replace("\n", "\n  "))


if __name__ == "__main__":
    main()
