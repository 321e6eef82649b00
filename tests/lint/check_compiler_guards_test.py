#!/usr/bin/env python3
"""The compiler-guard check on small sources: what it must report and what it must let be."""
import pathlib
import sys
import tempfile
import unittest

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parents[2] / "tools"))
import check_compiler_guards  # noqa: E402

# (source, constructs the check reports)
CASES = [
    ("inline void f(const char* p) { __builtin_prefetch(p, 1); }\n", ["__builtin_prefetch"]),
    ("int x __attribute__((aligned(8)));\n", ["__attribute__"]),
    ('void g(int k) { asm("" : "+r"(k)); }\n', ["asm"]),
    # An architecture is not a compiler: MSVC targets x86 too.
    ("#if defined(__x86_64__)\nvoid h() { __builtin_ia32_pause(); }\n#endif\n",
     ["__builtin_ia32_pause"]),
    # Guarded by the compiler, on either side of an MSVC test, or nested deeper.
    ("#if defined(__GNUC__) || defined(__clang__)\nvoid h() { __builtin_trap(); }\n#endif\n", []),
    ("#if defined(_MSC_VER)\n#pragma init_seg(lib)\n#else\nint y __attribute__((used));\n#endif\n",
     []),
    ("#ifdef __GNUC__\n#if defined(__i386__)\nvoid h() { __builtin_ia32_pause(); }\n#endif\n#endif\n",
     []),
    # Back outside the guard once it is closed.
    ("#ifdef __clang__\n#endif\nvoid h() { __builtin_unreachable(); }\n",
     ["__builtin_unreachable"]),
    # Words in comments and strings are not code.
    ('// __builtin_expect is GCC\'s\nconst char* s = "__attribute__";\n/* asm */\n', []),
]


class CompilerGuards(unittest.TestCase):
    def test_cases(self):
        for source, expected in CASES:
            with self.subTest(source=source), tempfile.TemporaryDirectory() as folder:
                path = pathlib.Path(folder) / "case.h"
                path.write_text(source)
                found = [construct for _, construct in check_compiler_guards.unguarded(path)]
                self.assertEqual(found, expected)

    def test_product_sources_are_clean(self):
        src = pathlib.Path(__file__).resolve().parents[2] / "src"
        self.assertEqual(check_compiler_guards.main([str(src)]), 0)


if __name__ == "__main__":
    unittest.main()
