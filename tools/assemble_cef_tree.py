#!/usr/bin/env python3
"""Assembles a CEF windows32 distribution-shaped tree from a CEF source checkout.

    tools/assemble_cef_tree.py <cef-source> [<out-dir>] [--ref 4515]

<cef-source> is a CEF git checkout or a bare git directory; <ref> (default 4515, the
CEF 92 branch; origin/4515 in a fresh clone) is the revision taken from it. <out-dir> must lie outside this
repository; it defaults to /tmp/cef_binary_<version>_windows32. The tree has:

  include/       the headers a windows distribution carries (no Linux or macOS ones),
                 with a generated include/cef_version.h and a net error list in place
                 of Chromium's
  libcef_dll/    the client-side wrapper sources (cef_paths.gypi, cef_paths2.gypi)
  Release/       libcef.dll and its import library libcef.lib: a link-only library,
                 built with mingw, that exports every CEF_EXPORT function of the C API.
                 Each returns null or 0, except cef_api_hash and cef_version_info,
                 which answer for the checked-out revision.

It is enough to build and start a program against; no browser ever runs in it. The
link-only library reads two variables when it is loaded:
  CEF_LINK_STUB_TRACE=<file>            appends the name of every call it receives
  CEF_LINK_STUB_EXECUTE_PROCESS=<n>     cef_execute_process answers n (default 0)

Nothing of the tree belongs in this repository: it is CEF's, built on demand.
"""

import argparse
import ast
import glob
import io
import os
import re
import shutil
import subprocess
import sys
import tarfile
import tempfile

REPO_ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
MINGW_CC = "i686-w64-mingw32-gcc-posix"
STAMP = "Assembled by tools/assemble_cef_tree.py"

# Header lists of cef_paths*.gypi that a windows distribution's include/ holds: exactly
# what CEF's tools/make_distrib.py copies for windows32, and nothing more, so that a
# header only another platform's distribution carries (the wrapper's GCC atomics, say)
# is missing here as it is in a real one.
INCLUDE_LISTS = [
    "includes_common", "includes_common_capi", "includes_capi", "includes_wrapper",
    "includes_win", "includes_win_capi", "autogen_cpp_includes", "autogen_capi_includes"
]
# Source lists that make up libcef_dll_wrapper.
WRAPPER_LISTS = [
    "libcef_dll_wrapper_sources_base", "libcef_dll_wrapper_sources_common",
    "autogen_client_side"
]
# Headers whose CEF_EXPORT functions libcef.dll exports on Windows.
EXPORT_HEADER_GLOBS = ["include/capi/**/*.h", "include/internal/*.h", "include/cef_api_hash.h"]

# Chromium's network error codes as (name, value). A real distribution inlines
# Chromium's full net/base/net_error_list.h; this tree carries the common codes and
# every one the headers and the wrapper name.
NET_ERRORS = [
    ("IO_PENDING", -1), ("FAILED", -2), ("ABORTED", -3), ("INVALID_ARGUMENT", -4),
    ("INVALID_HANDLE", -5), ("FILE_NOT_FOUND", -6), ("TIMED_OUT", -7),
    ("FILE_TOO_BIG", -8), ("UNEXPECTED", -9), ("ACCESS_DENIED", -10),
    ("NOT_IMPLEMENTED", -11), ("INSUFFICIENT_RESOURCES", -12), ("OUT_OF_MEMORY", -13),
    ("CONNECTION_CLOSED", -100), ("CONNECTION_RESET", -101),
    ("CONNECTION_REFUSED", -102), ("CONNECTION_ABORTED", -103),
    ("CONNECTION_FAILED", -104), ("NAME_NOT_RESOLVED", -105),
    ("INTERNET_DISCONNECTED", -106), ("SSL_PROTOCOL_ERROR", -107),
    ("ADDRESS_INVALID", -108), ("ADDRESS_UNREACHABLE", -109),
    ("CERT_COMMON_NAME_INVALID", -200), ("CERT_DATE_INVALID", -201),
    ("CERT_AUTHORITY_INVALID", -202), ("CERT_CONTAINS_ERRORS", -203),
    ("CERT_NO_REVOCATION_MECHANISM", -204), ("CERT_UNABLE_TO_CHECK_REVOCATION", -205),
    ("CERT_REVOKED", -206), ("CERT_INVALID", -207), ("INVALID_URL", -300),
    ("DISALLOWED_URL_SCHEME", -301), ("UNKNOWN_URL_SCHEME", -302),
    ("TOO_MANY_REDIRECTS", -310), ("UNSAFE_REDIRECT", -311), ("UNSAFE_PORT", -312),
    ("INVALID_RESPONSE", -320), ("EMPTY_RESPONSE", -324),
    ("REQUEST_RANGE_NOT_SATISFIABLE", -328), ("CACHE_MISS", -400),
    ("INSECURE_RESPONSE", -501),
]


def git(source, *args, binary=False, quiet=False):
    out = subprocess.run(["git", "-C", source] + list(args), check=True,
                         stdout=subprocess.PIPE,
                         stderr=subprocess.DEVNULL if quiet else None).stdout
    return out if binary else out.decode()


def export_source(source, ref, dest):
    """Unpacks the parts of the revision a distribution is made from into dest.

    Quiet: a mirror may lack blobs of large binaries elsewhere in the tree, which git
    reports although the paths asked for are complete; a real failure still raises."""
    archive = git(source, "archive", "--format=tar", ref, "include", "libcef_dll",
                  "cef_paths.gypi", "cef_paths2.gypi", binary=True, quiet=True)
    with tarfile.open(fileobj=io.BytesIO(archive)) as tar:
        tar.extractall(dest)


def read_gypi_lists(source_dir):
    lists = {}
    for name in ("cef_paths.gypi", "cef_paths2.gypi"):
        with open(os.path.join(source_dir, name)) as f:
            lists.update(ast.literal_eval(f.read())["variables"])
    return lists


def version_of(source, ref):
    """The version numbers CEF's own version header would carry for ref.

    Major and Chromium numbers come from CHROMIUM_BUILD_COMPATIBILITY.txt; minor and
    patch count the branch's commits since it left master, the minor going up (and
    the patch back to 0) with every commit that changed the API hash."""
    compat = git(source, "show", "%s:CHROMIUM_BUILD_COMPATIBILITY.txt" % ref)
    chrome = re.search(r"refs/tags/(\d+)\.(\d+)\.(\d+)\.(\d+)", compat).groups()
    minor = patch = 0
    base = None
    for candidate in ("master", "origin/master"):
        try:
            git(source, "rev-parse", "--verify", "--quiet", candidate, quiet=True)
            base = candidate
            break
        except subprocess.CalledProcessError:
            pass
    if base:
        for commit in git(source, "rev-list", "--reverse", "%s..%s" % (base, ref)).split():
            changed = git(source, "diff-tree", "--no-commit-id", "--name-only", "-r", commit,
                          quiet=True)
            if "cef_api_hash.h" in changed:
                minor, patch = minor + 1, 0
            else:
                patch += 1
    commit_hash = git(source, "rev-parse", ref).strip()
    return {
        "major": int(chrome[0]), "minor": minor, "patch": patch,
        "commit_number": int(git(source, "rev-list", "--count", ref).strip()),
        "commit_hash": commit_hash, "chrome": [int(x) for x in chrome],
        "string": "%s.%d.%d+g%s+chromium-%s" % (chrome[0], minor, patch, commit_hash[:7],
                                                ".".join(chrome)),
        "counted": base is not None,
        "year": int(git(source, "log", "-1", "--format=%cd", "--date=format:%Y", ref).strip()),
    }


def write(path, text):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "w") as f:
        f.write(text)


def version_header(v):
    lines = [
        "// Version of the CEF revision this tree was assembled from (tools/assemble_cef_tree.py).",
        "#ifndef CEF_INCLUDE_CEF_VERSION_H_",
        "#define CEF_INCLUDE_CEF_VERSION_H_",
        "",
        '#define CEF_VERSION "%s"' % v["string"],
        "#define CEF_VERSION_MAJOR %d" % v["major"],
        "#define CEF_VERSION_MINOR %d" % v["minor"],
        "#define CEF_VERSION_PATCH %d" % v["patch"],
        "#define CEF_COMMIT_NUMBER %d" % v["commit_number"],
        '#define CEF_COMMIT_HASH "%s"' % v["commit_hash"],
        "#define COPYRIGHT_YEAR %d" % v["year"],
        "",
        "#define CHROME_VERSION_MAJOR %d" % v["chrome"][0],
        "#define CHROME_VERSION_MINOR %d" % v["chrome"][1],
        "#define CHROME_VERSION_BUILD %d" % v["chrome"][2],
        "#define CHROME_VERSION_PATCH %d" % v["chrome"][3],
        "",
        "#define DO_MAKE_STRING(p) #p",
        "#define MAKE_STRING(p) DO_MAKE_STRING(p)",
        "",
        "#ifndef APSTUDIO_HIDDEN_SYMBOLS",
        '#include "include/internal/cef_export.h"',
        "#ifdef __cplusplus",
        'extern "C" {',
        "#endif",
        "// Entry 0..7: CEF major, minor, patch, commit number, Chrome major, minor, build, patch.",
        "CEF_EXPORT int cef_version_info(int entry);",
        "#ifdef __cplusplus",
        "}",
        "#endif",
        "#endif  // APSTUDIO_HIDDEN_SYMBOLS",
        "",
        "#endif  // CEF_INCLUDE_CEF_VERSION_H_",
        "",
    ]
    return "\n".join(lines)


def net_error_list():
    lines = ["// Network error codes, as NET_ERROR(name, value) entries (partial list).", ""]
    lines += ["NET_ERROR(%s, %d)" % entry for entry in NET_ERRORS]
    return "\n".join(lines) + "\n"


def exported_functions(tree):
    """(return type, name, parameter list) of every CEF_EXPORT declaration."""
    found = {}
    for pattern in EXPORT_HEADER_GLOBS + ["include/cef_version.h"]:
        for header in sorted(glob.glob(os.path.join(tree, pattern), recursive=True)):
            with open(header) as f:
                text = re.sub(r"//[^\n]*", "", f.read())
            for match in re.finditer(r"\bCEF_EXPORT\b([^;{#]*?\))\s*;", text, re.S):
                declaration = " ".join(match.group(1).split())
                head, params = declaration.split("(", 1)
                m = re.match(r"(.*?[\s*])(\w+)\s*$", head)
                found[m.group(2)] = (m.group(1).strip(), m.group(2), "(" + params,
                                     os.path.relpath(header, tree))
    return [found[name] for name in sorted(found)]


def stub_source(functions, tree, v):
    headers = sorted({header for _, _, _, header in functions})
    out = ["// Link-only libcef.dll: every CEF_EXPORT function, answering null or 0.",
           "#include <stdio.h>", "#include <stdlib.h>", "#include <string.h>"]
    out += ['#include "%s"' % h for h in headers]
    out += [
        "",
        "static void trace(const char* name) {",
        '  const char* path = getenv("CEF_LINK_STUB_TRACE");',
        "  FILE* file = path && *path ? fopen(path, \"a\") : NULL;",
        "  if (file) {",
        '    fprintf(file, "%s\\n", name);',
        "    fclose(file);",
        "  }",
        "}",
        "",
    ]
    for ret, name, params, _ in functions:
        out.append("%s %s%s {" % (ret, name, params))
        out.append('  trace("%s");' % name)
        if name == "cef_api_hash":
            out.append("  switch (entry) {")
            out.append("    case 0: return CEF_API_HASH_PLATFORM;")
            out.append("    case 1: return CEF_API_HASH_UNIVERSAL;")
            out.append("    case 2: return CEF_COMMIT_HASH;")
            out.append("  }")
            out.append("  return NULL;")
        elif name == "cef_version_info":
            out.append("  static const int kInfo[] = {CEF_VERSION_MAJOR, CEF_VERSION_MINOR,")
            out.append("      CEF_VERSION_PATCH, CEF_COMMIT_NUMBER, CHROME_VERSION_MAJOR,")
            out.append("      CHROME_VERSION_MINOR, CHROME_VERSION_BUILD, CHROME_VERSION_PATCH};")
            out.append("  return entry >= 0 && entry < 8 ? kInfo[entry] : 0;")
        elif name == "cef_execute_process":
            out.append('  const char* answer = getenv("CEF_LINK_STUB_EXECUTE_PROCESS");')
            out.append("  return answer ? atoi(answer) : 0;")
        elif ret != "void":
            out.append("  %s result;" % ret)
            out.append("  memset(&result, 0, sizeof result);")
            out.append("  return result;")
        out.append("}")
        out.append("")
    return "\n".join(out)


def build_stub(tree, functions, v, work):
    source = os.path.join(work, "libcef_link_stub.c")
    definitions = os.path.join(work, "libcef.def")
    write(source, stub_source(functions, tree, v))
    write(definitions, "LIBRARY libcef.dll\nEXPORTS\n" +
          "".join("  %s\n" % name for _, name, _, _ in functions))
    release = os.path.join(tree, "Release")
    os.makedirs(release, exist_ok=True)
    subprocess.run([
        MINGW_CC, "-shared", "-s", "-O1", "-w", "-DBUILDING_CEF_SHARED", "-DUNICODE",
        "-D_UNICODE", "-I", tree, source, definitions, "-o", os.path.join(release, "libcef.dll"),
        "-Wl,--out-implib," + os.path.join(release, "libcef.lib"),
        "-static-libgcc"
    ], check=True)


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("source", help="CEF git checkout or bare git directory")
    parser.add_argument("out", nargs="?", help="tree to create (outside this repository)")
    parser.add_argument("--ref", default="4515", help="revision to take (default 4515)")
    args = parser.parse_args()

    source = os.path.abspath(args.source)
    try:
        git(source, "rev-parse", "--verify", "--quiet", args.ref + "^{commit}", quiet=True)
    except subprocess.CalledProcessError:
        sys.exit("%s: not a CEF git checkout with revision %s" % (source, args.ref))
    if shutil.which(MINGW_CC) is None:
        sys.exit("%s not found: install g++-mingw-w64-i686-posix (make setup)" % MINGW_CC)

    v = version_of(source, args.ref)
    out = os.path.abspath(args.out or "/tmp/cef_binary_%s_windows32" % v["string"])
    if os.path.commonpath([out, REPO_ROOT]) == REPO_ROOT and not out.startswith(
            os.path.join(REPO_ROOT, "build") + os.sep):
        sys.exit("%s: the tree must lie outside the repository (or below build/)" % out)
    if os.path.exists(out):
        # Only a tree this script made, or an empty directory, is replaced.
        stamp = os.path.join(out, "README.txt")
        made_here = os.path.isfile(stamp) and open(stamp).read().startswith(STAMP)
        if not made_here and os.listdir(out):
            sys.exit("%s exists and was not made by this script; give another directory" % out)
        shutil.rmtree(out)

    with tempfile.TemporaryDirectory() as work:
        src = os.path.join(work, "src")
        export_source(source, args.ref, src)
        lists = read_gypi_lists(src)

        for key in INCLUDE_LISTS + WRAPPER_LISTS:
            for path in lists[key]:
                if os.path.isfile(os.path.join(src, path)):
                    os.makedirs(os.path.dirname(os.path.join(out, path)), exist_ok=True)
                    shutil.copyfile(os.path.join(src, path), os.path.join(out, path))
        write(os.path.join(out, "include/cef_version.h"), version_header(v))
        write(os.path.join(out, "include/base/internal/cef_net_error_list.h"), net_error_list())

        functions = exported_functions(out)
        build_stub(out, functions, v, work)

    write(os.path.join(out, "README.txt"),
          STAMP + " from %s at %s (%s).\n"
          "Release/libcef.dll is a link-only library exporting %d functions that answer\n"
          "null or 0 (cef_api_hash and cef_version_info answer for the revision); it runs\n"
          "no browser. See tools/assemble_cef_tree.py for its two variables.%s\n" %
          (source, args.ref, v["string"], len(functions),
           "" if v["counted"] else
           "\nCEF_VERSION_MINOR/PATCH are 0: the checkout has no master to count from."))
    print("%s: CEF %s, %d exported functions" % (out, v["string"], len(functions)))


if __name__ == "__main__":
    main()
