"""tools/check-floors.py: the floors of docs/architecture.md hold for the
code of the clone, and a planted include that goes up a floor, names a
folder without a floor or closes a circle (of folders, files or rooms) is
caught with its file and line."""

import os
import shutil
import subprocess
import tempfile
import unittest

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
SCRIPT = os.path.join(ROOT, "tools", "check-floors.py")

TABLE = """# How it fits together

| floor | folder | holds |
|---|---|---|
| 1 | `src/text` | text |
| 2 | `src/grid` | grids |
| 2 | `src/linear` | linear algebra |
| 2 | `src/solver` | solvers |
| 3 | `src/app` | the top |
"""


class CheckFloorsTest(unittest.TestCase):
    def setUp(self):
        self.root = tempfile.mkdtemp(prefix="floors-test-")
        os.makedirs(os.path.join(self.root, "docs"))
        with open(os.path.join(self.root, "docs", "architecture.md"), "w", encoding="utf-8") as f:
            f.write(TABLE)
        for folder in ("text", "grid", "linear", "solver", "app"):
            os.makedirs(os.path.join(self.root, "src", folder))
        self.write("text/a.hpp", '#pragma once\n#include <string>\n')
        self.write("grid/g.cpp", '#include "grid/g.hpp"\n#include "text/a.hpp"\n')
        self.write("app/main.cpp", '#include "grid/g.hpp"\n#include "linear/l.hpp"\n#include "wqspec_version.hpp"\n')

    def tearDown(self):
        shutil.rmtree(self.root)

    def write(self, name, text):
        with open(os.path.join(self.root, "src", name), "w", encoding="utf-8") as f:
            f.write(text)

    def run_script(self, root):
        return subprocess.run(["/usr/bin/python3", SCRIPT, root], capture_output=True, text=True)

    def test_the_clone_keeps_its_floors(self):
        done = self.run_script(ROOT)
        self.assertEqual(done.returncode, 0, done.stderr)

    def test_circles_of_three_folders_and_of_files_in_one_folder_are_caught(self):
        self.write("grid/g.hpp", '#include "linear/l.hpp"\n')
        self.write("linear/l.hpp", '#include "solver/s.hpp"\n')
        self.write("solver/s.hpp", '#include "grid/g.hpp"\n')
        self.write("text/b.hpp", '#include "text/c.hpp"\n')
        self.write("text/c.hpp", '#include "text/d.hpp"\n')
        self.write("text/d.hpp", '\n#include "text/b.hpp"\n')
        done = self.run_script(self.root)
        self.assertEqual(done.returncode, 1)
        self.assertIn("folders include each other in a circle: src/grid -> src/linear -> src/solver -> src/grid "
                      "(src/grid/g.hpp:1, src/linear/l.hpp:1, src/solver/s.hpp:1)", done.stderr)
        self.assertIn("files include each other in a circle: src/text/b.hpp -> src/text/c.hpp -> src/text/d.hpp "
                      "-> src/text/b.hpp (src/text/b.hpp:1, src/text/c.hpp:1, src/text/d.hpp:2)", done.stderr)

    def test_rooms_that_include_each_other_are_caught_where_no_files_do(self):
        # batch.cpp -> batch_run.hpp and batch_run.cpp -> batch.hpp: no file
        # includes itself back, but the two rooms do.
        self.write("app/batch.hpp", "#pragma once\n")
        self.write("app/batch.cpp", '#include "app/batch.hpp"\n#include "app/batch_run.hpp"\n')
        self.write("app/batch_run.hpp", "#pragma once\n")
        self.write("app/batch_run.cpp", '#include "app/batch_run.hpp"\n\n#include "app/batch.hpp"\n')
        done = self.run_script(self.root)
        self.assertEqual(done.returncode, 1)
        self.assertNotIn("files include each other", done.stderr)
        self.assertIn("rooms include each other in a circle: src/app/batch -> src/app/batch_run -> src/app/batch "
                      "(src/app/batch.cpp:2, src/app/batch_run.cpp:3)", done.stderr)

    def test_faults_are_named_with_file_and_line(self):
        self.assertEqual(self.run_script(self.root).returncode, 0)
        cases = [
            ("text/up.cpp", '#include "text/a.hpp"\n#include "app/x.hpp"\n',
             "src/text/up.cpp:2: src/text (floor 1) includes src/app (floor 3), a higher floor"),
            ("grid/side.cpp", '#include "linear/l.hpp"\n', "src/grid and src/linear include each other"),
            ("linear/side.cpp", '#include "grid/g.hpp"\n', "src/grid and src/linear include each other"),
        ]
        for name, text, message in cases:
            self.write(name, text)
        self.write("linear/l.cpp", '#include "linear/l.hpp"\n')
        os.makedirs(os.path.join(self.root, "src", "extra"))
        self.write("extra/e.cpp", "\n")
        self.write("app/more.cpp", '\n\n#include "extra/e.hpp"\n')
        done = self.run_script(self.root)
        self.assertEqual(done.returncode, 1)
        for _, _, message in cases:
            self.assertIn(message, done.stderr)
        self.assertIn("src/extra has no floor in docs/architecture.md", done.stderr)
        self.assertIn("src/app/more.cpp:3: includes src/extra, which has no floor", done.stderr)


if __name__ == "__main__":
    unittest.main()
