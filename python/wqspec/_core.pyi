# The compiled core's interface (python/_core.cpp), for type checkers.
from typing import Any, Callable, Dict, List, Optional

__version__: str

class InputFault(ValueError): ...

class Database:
    path: str
    def __init__(self, path: str) -> None: ...

class BatchOptions:
    case: str
    columns: str
    all_columns: bool
    jobs: str
    below_detection: str
    strict: bool
    density: str
    activity: str
    ph_scale: str
    redox: str
    decouple: str
    suppress: str
    balance: str
    def __init__(self) -> None: ...
    def __setattr__(self, name: str, value: Any) -> None: ...
    def __getattr__(self, name: str) -> Any: ...

class EvaporateOptions:
    to: float
    steps: int
    precipitation: bool
    fractional: bool
    minerals: str
    def __init__(self) -> None: ...

class TableOfWaters:
    def __init__(self, columns: List[str]) -> None: ...
    def add_rows(self, cells_by_column: List[List[str]]) -> None: ...
    def __len__(self) -> int: ...

Progress = Optional[Callable[[int, int], None]]

def model_options() -> List[Dict[str, Any]]: ...
def run_table(table: TableOfWaters, options: BatchOptions, database: Database, json: bool,
              progress: Progress = None) -> Dict[str, Any]: ...
def record_header(table: TableOfWaters, options: BatchOptions, database: Database) -> Dict[str, Any]: ...
def sweep_water(table: TableOfWaters, options: BatchOptions, database: Database, t_from: float, t_to: float,
                step: float, minerals: str, reconstruction: Dict[str, str], reconstruct: bool,
                progress: Progress = None) -> Dict[str, Any]: ...
def evaporate_water(table: TableOfWaters, options: BatchOptions, database: Database, path: EvaporateOptions,
                    progress: Progress = None) -> Dict[str, Any]: ...
def react_path(file: str, text: Optional[str], options: BatchOptions, database: Database,
               progress: Progress = None) -> Dict[str, Any]: ...
