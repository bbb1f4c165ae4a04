"""tools/refresh-doc-excerpts.py on a block of a subcommand's help: a stale
block is written anew from the help, every option between its first and its
last line taken (one added to the table comes in), and a block whose options
the help lacks has no place."""

import importlib.util
import os
import subprocess
import unittest

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
LOADER = importlib.util.spec_from_file_location("refresh", os.path.join(ROOT, "tools", "refresh-doc-excerpts.py"))
TOOL = importlib.util.module_from_spec(LOADER)
LOADER.loader.exec_module(TOOL)


class HelpBlockTest(unittest.TestCase):
    def setUp(self):
        self.program = os.environ.get("WQSPEC")
        if not self.program:
            self.fail("WQSPEC must name the built program (the CTest sets it)")
        self.help = subprocess.run([self.program, "evaporate", "--help"], capture_output=True,
                                   encoding="utf-8").stdout.split("\n")

    def test_a_stale_block_takes_every_option_from_its_first_to_its_last(self):
        lines = TOOL.help_lines(self.program, "evaporate", ["  --db TEXT  old words", "  --balance  old words"])
        flags = [line.split()[0] for line in lines]
        self.assertEqual((flags[0], flags[-1]), ("--db", "--balance"))
        self.assertIn("--redox", flags)
        start = [line.rstrip() for line in self.help].index(lines[0])
        self.assertEqual(lines, [line.rstrip() for line in self.help[start:start + len(lines)]])

    def test_a_block_of_an_option_the_help_lacks_has_no_place(self):
        for block in (["  --db", "  --no-such-option"], ["no option here"], []):
            self.assertIsNone(TOOL.help_lines(self.program, "evaporate", block), block)


if __name__ == "__main__":
    unittest.main()
