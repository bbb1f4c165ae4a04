"""Shared helpers of the database-builder tests."""

import functools
import os
import sys

TESTS = os.path.dirname(os.path.abspath(__file__))
REPO = os.path.dirname(os.path.dirname(TESTS))
TOOLS = os.path.join(REPO, "tools", "kdb")
THERMO = os.path.normpath(os.environ.get("WQ_THERMO_DIR",
                                         os.path.join(REPO, "..", "shared", "thermo")))
KDB = os.path.join(REPO, "examples", "LOGKDATA.KDB")

if TOOLS not in sys.path:
    sys.path.insert(0, TOOLS)


@functools.lru_cache(maxsize=None)
def slop98():
    from wqkdb import thermodata
    elements, species = thermodata.load_supcrt(os.path.join(THERMO, "supcrt98.xml"))
    return elements, {s["name"]: s for s in species}


@functools.lru_cache(maxsize=None)
def database():
    """The database as the builder makes it now (built once per test run)."""
    from wqkdb import build
    return build.build(THERMO)


def have_thermo():
    return os.path.isfile(os.path.join(THERMO, "supcrt98.xml"))
