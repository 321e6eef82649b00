#!/usr/bin/env python3
"""Writes the generated part of the libcef.dll double from a CEF distribution's headers.

    gen_surface.py <cef-root> <out-dir> <source> [<source> ...]

Nothing it writes is kept in the repository: the build runs it against the distribution
given in CEF_ROOT. Into <out-dir> it writes

  libcef.def         every CEF_EXPORT function of the distribution's C API;
  member_traps.inc   for each struct of include/capi/ with function members, a TrapFill()
                     overload that points every member at a stub of the member's own
                     signature; the stub reports the call as unmodeled and answers zero;
  export_traps.cc    the same kind of stub for each export that the given sources do not
                     define themselves.
"""
import glob
import os
import re
import sys

EXPORT_HEADERS = ["include/capi/**/*.h", "include/internal/*.h", "include/cef_api_hash.h",
                  "include/cef_version.h"]
MEMBER = re.compile(r"([\w\s\*]+?)\s*\(\s*CEF_CALLBACK\s*\*\s*(\w+)\s*\)\s*\((.*?)\)\s*;", re.S)
STRUCT = re.compile(r"typedef\s+struct\s+_(\w+)\s*\{(.*?)\}\s*(\w+)\s*;", re.S)
EXPORT = re.compile(r"\bCEF_EXPORT\b([^;{#]*?\))\s*;", re.S)


def without_comments(text):
    return re.sub(r"//[^\n]*", "", re.sub(r"/\*.*?\*/", "", text, flags=re.S))


def squeeze(text):
    return " ".join(text.split())


def answer_zero(return_type):
    if return_type == "void":
        return ""
    return "  %s zero;\n  memset(&zero, 0, sizeof zero);\n  return zero;\n" % return_type


def read(path):
    with open(path, encoding="utf-8") as f:
        return without_comments(f.read())


def main():
    root, out, sources = sys.argv[1], sys.argv[2], sys.argv[3:]
    headers = sorted(glob.glob(os.path.join(root, "include/capi/**/*.h"), recursive=True))

    stubs, fills = [], []
    for header in headers:
        for struct in STRUCT.finditer(read(header)):
            name = struct.group(3)
            members = MEMBER.findall(struct.group(2))
            if not members:
                continue
            fill = ["inline void TrapFill(%s* s) {" % name]
            for return_type, member, params in members:
                stub = "Trap_%s_%s" % (name, member)
                return_type = squeeze(return_type)
                stubs.append("static %s CEF_CALLBACK %s(%s) {\n  TrapCalled(\"%s.%s\");\n%s}"
                             % (return_type, stub, squeeze(params), name, member,
                                answer_zero(return_type)))
                fill.append("  s->%s = %s;" % (member, stub))
            fill.append("}")
            fills.append("\n".join(fill))

    exports = {}
    for pattern in EXPORT_HEADERS:
        for header in sorted(glob.glob(os.path.join(root, pattern), recursive=True)):
            for match in EXPORT.finditer(read(header)):
                head, params = squeeze(match.group(1)).split("(", 1)
                m = re.match(r"(.*?[\s*])(\w+)\s*$", head)
                exports[m.group(2)] = (m.group(1).strip(), "(" + params,
                                       os.path.relpath(header, root))
    defined = set()
    for source in sources:
        defined |= set(re.findall(r"\bCEF_EXPORT\b[^(;]*?\b(cef_\w+)\s*\(", read(source)))
    unknown = defined - set(exports)
    if unknown:
        sys.exit("gen_surface.py: not exports of this distribution: %s" % sorted(unknown))

    includes = ['#include "%s"' % os.path.relpath(h, root) for h in headers]
    os.makedirs(out, exist_ok=True)
    with open(os.path.join(out, "member_traps.inc"), "w") as f:
        f.write("// Generated from %s by gen_surface.py.\n" % root)
        f.write("\n".join(includes) + "\n\n")
        f.write("\n\n".join(stubs) + "\n\n" + "\n\n".join(fills) + "\n")
    with open(os.path.join(out, "export_traps.cc"), "w") as f:
        f.write("// Generated from %s by gen_surface.py.\n" % root)
        f.write("#include <cstring>\n\n")
        f.write("\n".join(sorted({'#include "%s"' % h for _, _, h in exports.values()})))
        f.write("\n\nnamespace cef_double {\nvoid TrapCalled(const char* what);\n}\n\n")
        f.write('extern "C" {\n')
        for name in sorted(exports):
            if name in defined:
                continue
            return_type, params, _ = exports[name]
            f.write("CEF_EXPORT %s %s%s {\n  cef_double::TrapCalled(\"export %s\");\n%s}\n\n"
                    % (return_type, name, params, name, answer_zero(return_type)))
        f.write("}\n")
    with open(os.path.join(out, "libcef.def"), "w") as f:
        f.write("LIBRARY libcef.dll\nEXPORTS\n" + "".join("  %s\n" % n for n in sorted(exports)))
    print("gen_surface.py: %d structs, %d member stubs, %d exports (%d defined, %d stubs)"
          % (len(fills), len(stubs), len(exports), len(defined), len(exports) - len(defined)))


if __name__ == "__main__":
    main()
