"""The options every call shares, from the core's one table: every call
takes each of them, forwards it (a bad value is refused with the batch's
message, whichever call is given it), and its help shows it with the
default the command line shows."""
import inspect
import subprocess

import pytest

import wqspec
import wqspec.dask
from test_package import SPRING

CALLS = {
    "speciate": lambda **o: wqspec.speciate(SPRING, **o),
    "speciate_one": lambda **o: wqspec.speciate_one(SPRING, **o),
    "result_columns": lambda **o: wqspec.result_columns(SPRING, **o),
    "sweep": lambda **o: wqspec.sweep(SPRING, 25, 50, 25, **o),
}

# A bad value of each shared option and what the batch's message names.
BAD_SHARED = [
    ("balance", "Xx", "--balance Xx"),
    ("activity", "debye", "debye"),
    ("ph_scale", "nbs", "nbs"),
    ("redox", "Eh=high", "Eh"),
    ("decouple", "Xx", "Xx"),
    ("suppress", ["Calcite", "Unobtainite"], "Unobtainite"),
]


def test_the_bad_values_cover_every_shared_option():
    assert {k for k, _, _ in BAD_SHARED} | {"database"} == set(wqspec.SHARED_OPTIONS)


@pytest.mark.parametrize("call", CALLS)
@pytest.mark.parametrize("keyword,value,named", BAD_SHARED, ids=[k for k, _, _ in BAD_SHARED])
def test_every_call_refuses_a_bad_shared_option_as_the_batch_does(call, keyword, value, named):
    with pytest.raises(wqspec.InputError) as raised:
        CALLS[call](**{keyword: value})
    assert named in str(raised.value)


@pytest.mark.parametrize("function", [wqspec.speciate, wqspec.speciate_one, wqspec.result_columns, wqspec.sweep,
                                      wqspec.dask.speciate, wqspec.dask.meta])
def test_help_shows_every_shared_option_with_the_command_lines_default(function, program):
    parameters = inspect.signature(function).parameters
    shown = subprocess.run([program, "batch", "--help"], capture_output=True, encoding="utf-8").stdout
    for keyword, entry in wqspec.SHARED_OPTIONS.items():
        assert keyword in parameters, keyword
        default = parameters[keyword].default
        assert default in (None, entry["default"]), keyword
        if default is not None and keyword != "database":
            assert f"{entry['flag']} TEXT={default} " in shown, keyword
