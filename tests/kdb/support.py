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


def _required():
    """In CI (CI set, as every CI service sets it) missing data is a failure."""
    return bool(os.environ.get("CI"))


def needs(available, what):
    """Decorator for tests that need data: skipped on a developer's machine
    without it, failed in CI, so the tests can never drop out silently there."""
    import unittest

    def decorate(test):
        if available:
            return test
        if _required():
            def fail(self, *args, **kwargs):
                self.fail(what + " not found, and CI requires it")
            if isinstance(test, type):
                for name in [n for n in dir(test) if n.startswith("test")]:
                    setattr(test, name, fail)
                return test
            return fail
        return unittest.skip(what + " not found")(test)
    return decorate


needs_thermo = needs(have_thermo(), "thermodynamic data (" + THERMO + ")")
needs_kdb = needs(os.path.isfile(KDB), "examples/LOGKDATA.KDB")
