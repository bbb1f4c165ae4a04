"""One water's JSON record as Python tables."""
import json
from typing import Any, Dict, List

import pandas


class Result:
    """One water as the batch's JSON record holds it: ``species``,
    ``minerals``, ``gases`` and ``totals`` as DataFrames indexed by name,
    the other fields as attributes of the record (``result["pH"]``), and
    ``to_dict()``, the record itself.

    >>> import wqspec
    >>> water = wqspec.speciate_one({"name": "w", "T [C]": 25, "pH": 7, "Ca++ [mg/L]": 40, "HCO3- [mg/L]": 120})
    >>> water.converged, "Calcite" in water.minerals.index
    (True, True)
    """

    _TABLES: Dict[str, List[str]] = {"species": ["m", "log_m", "a", "log_a", "gamma"],
               "minerals": ["log_K", "log_Q", "SI"],
               "gases": ["log_K", "log_Q", "log_f", "f"],
               "totals": ["moles", "ppm", "molality", "free_molality", "alpha", "flag"]}

    def __init__(self, record: Dict[str, Any]) -> None:
        self._record = record

    def __getitem__(self, key: str) -> Any:
        return self._record[key]

    def __contains__(self, key: object) -> bool:
        return key in self._record

    @property
    def name(self) -> str:
        name: str = self._record["name"]
        return name

    @property
    def status(self) -> str:
        status: str = self._record["status"]
        return status

    @property
    def converged(self) -> bool:
        return self.status.startswith("converged")

    def _table(self, key: str) -> pandas.DataFrame:
        entries = self._record.get(key, {})
        frame = pandas.DataFrame.from_dict(entries, orient="index", columns=self._TABLES[key])
        numeric = [c for c in self._TABLES[key] if c != "flag"]
        frame[numeric] = frame[numeric].astype(float)
        frame.index.name = "mineral" if key == "minerals" else key.rstrip("s")
        return frame

    @property
    def species(self) -> pandas.DataFrame:
        return self._table("species")

    @property
    def minerals(self) -> pandas.DataFrame:
        return self._table("minerals")

    @property
    def gases(self) -> pandas.DataFrame:
        return self._table("gases")

    @property
    def totals(self) -> pandas.DataFrame:
        return self._table("totals")

    def to_dict(self) -> Dict[str, Any]:
        record: Dict[str, Any] = json.loads(json.dumps(self._record))
        return record

    def __repr__(self) -> str:
        return f"<wqspec.Result {self.name!r}: {self.status}>"
