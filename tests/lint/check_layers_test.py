#!/usr/bin/env python3
"""The layer check on small trees, then on the repository itself."""
import pathlib
import sys
import tempfile
import unittest

REPOSITORY = pathlib.Path(__file__).resolve().parents[2]
sys.path.insert(0, str(REPOSITORY / "tools"))
import check_layers  # noqa: E402

README = """# A tree
Rooms, lowest first: `.` < `base` < `left`, `right` < `top`
Kept upward: `base/diag.cpp` -> `top/logger.h`
Face of `top`: `face/top.h`
"""

# (files of the tree: path -> text, what the check reports: (file, included file))
CASES = [
    # Down and within a room: nothing to report.
    ({"top/a.cpp": '#include "base/b.h"\n#include "top/a.h"\n', "base/b.h": "", "top/a.h": ""},
     []),
    # A planted upward include, found by its path from the top and by one beside the file.
    ({"base/b.cpp": '#include "top/a.h"\n', "top/a.h": ""}, [("base/b.cpp", "top/a.h")]),
    ({"base/b.cpp": '#include "../top/a.h"\n', "top/a.h": ""}, [("base/b.cpp", "top/a.h")]),
    # Rooms of one level may not include each other.
    ({"left/l.cpp": '#include "right/r.h"\n', "right/r.h": ""}, [("left/l.cpp", "right/r.h")]),
    # The top's own files sit lowest.
    ({"neutral.h": '#include "base/b.h"\n', "base/b.h": ""}, [("neutral.h", "base/b.h")]),
    # A kept upward include is let be; the same include from another file is not.
    ({"base/diag.cpp": '#include "top/logger.h"\n', "base/other.cpp": '#include "top/logger.h"\n',
      "top/logger.h": ""},
     [("base/other.cpp", "top/logger.h")]),
    # A face outside the tree counts as its room's.
    ({"base/b.cpp": '#include "face/top.h"\n'}, [("base/b.cpp", "face/top.h")]),
    # System headers, commented-out includes and unknown files are not the tree's.
    ({"base/b.cpp": '#include <vector>\n// #include "top/a.h"\n#include "nowhere.h"\n',
      "top/a.h": ""},
     []),
]


def plant(folder, files):
    tree = folder / "tree"
    for path, text in files.items():
        (tree / path).parent.mkdir(parents=True, exist_ok=True)
        (tree / path).write_text(text)
    (folder / "face").mkdir()
    (folder / "face" / "top.h").write_text("")
    (folder / "README.md").write_text(README)
    return tree


class Layers(unittest.TestCase):
    def test_cases(self):
        for files, expected in CASES:
            with self.subTest(files=files), tempfile.TemporaryDirectory() as name:
                folder = pathlib.Path(name)
                tree = plant(folder, files)
                findings = check_layers.check_tree(folder / "README.md", tree, [folder])
                reported = [(f.split(":")[0], f.split(" includes ")[1].split(" ")[0])
                            for f in findings]
                self.assertEqual(reported, expected, findings)

    def test_a_folder_the_readme_does_not_place(self):
        with tempfile.TemporaryDirectory() as name:
            folder = pathlib.Path(name)
            tree = plant(folder, {"stray/s.cpp": ""})
            findings = check_layers.check_tree(folder / "README.md", tree, [])
            self.assertEqual(len(findings), 1)
            self.assertIn("'stray'", findings[0])

    def test_a_readme_without_rooms(self):
        with tempfile.TemporaryDirectory() as name:
            folder = pathlib.Path(name)
            (folder / "README.md").write_text("# No rooms here\n")
            findings = check_layers.check_tree(folder / "README.md", folder, [])
            self.assertEqual(len(findings), 1)
            self.assertIn("Rooms, lowest first", findings[0])

    def test_the_repository_keeps_its_layers(self):
        self.assertEqual(check_layers.check(REPOSITORY), [])


if __name__ == "__main__":
    unittest.main()
