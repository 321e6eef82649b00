#!/usr/bin/env python3
"""Fails on a GCC-only construct outside a compiler guard.

The product's sources must build with MSVC too (CEF's own Windows compiler), which has
no __builtin_* functions, no __attribute__ and no GCC-style inline assembly. Each use of
those must sit in a preprocessor branch chosen by the compiler: a branch whose condition
names a compiler (__GNUC__, __clang__, __MINGW32__, __MINGW64__, _MSC_VER), or an
#elif/#else after such a condition.

usage: check_compiler_guards.py DIR...   (scans *.c, *.cc, *.cpp, *.h, *.hpp)
Prints file:line: construct for each one found, and exits 1 if there is any.
"""
import pathlib
import re
import sys

CONSTRUCT = re.compile(r"\b(__builtin_\w+|__attribute__|__asm__|__asm|asm)\b")
COMPILER = re.compile(r"\b(__GNUC__|__clang__|__MINGW32__|__MINGW64__|_MSC_VER)\b")
DIRECTIVE = re.compile(r"^\s*#\s*(if|ifdef|ifndef|elif|else|endif)\b(.*)$")
SUFFIXES = {".c", ".cc", ".cpp", ".h", ".hpp"}


def code_lines(text):
    """The file's lines with comments and string and character literals blanked out."""
    out = []
    in_block = False
    for line in text.splitlines():
        kept = []
        i = 0
        while i < len(line):
            if in_block:
                end = line.find("*/", i)
                if end < 0:
                    i = len(line)
                    break
                in_block = False
                i = end + 2
                continue
            two = line[i : i + 2]
            if two == "/*":
                in_block = True
                i += 2
            elif two == "//":
                break
            elif line[i] in "\"'":
                quote = line[i]
                i += 1
                while i < len(line) and line[i] != quote:
                    i += 2 if line[i] == "\\" else 1
                i += 1
                kept.append(quote + quote)
            else:
                kept.append(line[i])
                i += 1
        out.append("".join(kept))
    return out


def unguarded(path):
    """(line number, construct) for each construct outside a compiler guard."""
    found = []
    # One entry per open #if chain: whether a compiler has been named by the chain so far,
    # and whether the branch being read is chosen by the compiler.
    chains = []
    for number, line in enumerate(code_lines(path.read_text(errors="replace")), 1):
        directive = DIRECTIVE.match(line)
        if directive:
            kind, condition = directive.groups()
            names = bool(COMPILER.search(condition))
            if kind in ("if", "ifdef", "ifndef"):
                chains.append({"named": names, "guarded": names})
            elif kind in ("elif", "else") and chains:
                chain = chains[-1]
                chain["guarded"] = names or chain["named"]
                chain["named"] = chain["named"] or names
            elif kind == "endif" and chains:
                chains.pop()
            continue
        if any(chain["guarded"] for chain in chains):
            continue
        for match in CONSTRUCT.finditer(line):
            found.append((number, match.group(1)))
    return found


def main(roots):
    problems = 0
    for root in roots:
        for path in sorted(pathlib.Path(root).rglob("*")):
            if path.suffix not in SUFFIXES or not path.is_file():
                continue
            for number, construct in unguarded(path):
                print(f"{path}:{number}: {construct} outside a compiler guard")
                problems += 1
    if problems:
        print(f"{problems} GCC-only construct(s) that MSVC would not compile", file=sys.stderr)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:] or ["src"]))
