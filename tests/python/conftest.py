"""What the tests of the Python package share: the program built beside it
(WQSPEC), the clone's examples, and a runner of the command line."""
import os
import subprocess

import pytest

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
EXAMPLES = os.path.join(ROOT, "examples")
DATABASE = os.path.join(EXAMPLES, "LOGKDATA.KDB")
BATCH = os.path.join(EXAMPLES, "batch")
SEAWATER_TEMPLATE = os.path.join(ROOT, "tests", "solver", "seawater-variants", "WQCASE.DAT")


@pytest.fixture(scope="session")
def program():
    path = os.environ.get("WQSPEC")
    if not path:
        pytest.fail("WQSPEC must name the built program (the CTest sets it)")
    return path


@pytest.fixture(scope="session")
def run_cli(program):
    def run(*args, cwd=None, ok=(0,)):
        done = subprocess.run([program, *args], cwd=cwd, capture_output=True, encoding="utf-8")
        assert done.returncode in ok, f"wqspec {' '.join(args)}: status {done.returncode}: {done.stderr}"
        return done
    return run
