"""One water's JSON record as Python tables."""
import json

import pandas


class Result:
    """One water as the batch's JSON record holds it: ``species``,
    ``minerals``, ``gases`` and ``totals`` as DataFrames indexed by name,
    the other fields as attributes of the record (``result["pH"]``), and
    ``to_dict()``, the record itself."""

    _TABLES = {"species": ["m", "log_m", "a", "log_a", "gamma"],
               "minerals": ["log_K", "log_Q", "SI"],
               "gases": ["log_K", "log_Q", "log_f", "f"],
               "totals": ["moles", "ppm", "molality", "free_molality", "alpha", "flag"]}

    def __init__(self, record):
        self._record = record

    def __getitem__(self, key):
        return self._record[key]

    def __contains__(self, key):
        return key in self._record

    @property
    def name(self):
        return self._record["name"]

    @property
    def status(self):
        return self._record["status"]

    @property
    def converged(self):
        return self.status.startswith("converged")

    def _table(self, key):
        entries = self._record.get(key, {})
        frame = pandas.DataFrame.from_dict(entries, orient="index", columns=self._TABLES[key])
        numeric = [c for c in self._TABLES[key] if c != "flag"]
        frame[numeric] = frame[numeric].astype(float)
        frame.index.name = "mineral" if key == "minerals" else key.rstrip("s")
        return frame

    @property
    def species(self):
        return self._table("species")

    @property
    def minerals(self):
        return self._table("minerals")

    @property
    def gases(self):
        return self._table("gases")

    @property
    def totals(self):
        return self._table("totals")

    def to_dict(self):
        return json.loads(json.dumps(self._record))

    def __repr__(self):
        return f"<wqspec.Result {self.name!r}: {self.status}>"
