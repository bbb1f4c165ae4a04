"""The progress bar of a long call: tqdm's (its notebook widget in Jupyter,
its text bar in a terminal) when python3-tqdm is installed, nothing
otherwise, shown only once a call has run for a few seconds, so that the
many short calls of a script print nothing."""
import time
import warnings
from typing import Any, Callable, Optional

# A call shorter than this shows no bar.
SHOW_AFTER_SECONDS = 2.0


def _tqdm() -> Optional[Callable[..., Any]]:
    """tqdm.auto's bar: the widget in a notebook that has ipywidgets, else
    the text bar. Without ipywidgets (Debian's Jupyter stack has none that its
    nbclient can run) tqdm.auto warns before falling back to the text bar,
    which a notebook draws well on its own: that warning is not shown.

    The bar starts no monitor thread: tqdm's would outlive the call (it
    stays until the interpreter ends), and it has nothing to do here, since
    the calling thread itself updates the bar between its looks for Ctrl-C."""
    try:
        from tqdm.std import TqdmWarning
        with warnings.catch_warnings():
            warnings.simplefilter("ignore", TqdmWarning)
            from tqdm.auto import tqdm
    except ImportError:
        return None
    return type("Bar", (tqdm,), {"monitor_interval": 0})


class Progress:
    """Called by the core with (done, total) while a call runs (on the
    calling thread, between its looks for Ctrl-C), and closed at its end."""

    def __init__(self, what: str, unit: str) -> None:
        self._what = what
        self._unit = unit
        self._started = time.monotonic()
        self._bar: Any = None

    def __call__(self, done: int, total: int) -> None:
        if self._bar is None:
            if time.monotonic() - self._started < SHOW_AFTER_SECONDS:
                return
            tqdm = _tqdm()
            if tqdm is None:
                self._bar = False
                return
            self._bar = tqdm(total=total, desc=self._what, unit=self._unit, leave=False)
        if self._bar is False:
            return
        if total != self._bar.total:
            self._bar.total = total
        self._bar.update(done - self._bar.n)

    def close(self) -> None:
        if self._bar:
            self._bar.close()


def progress_of(progress: bool, what: str, unit: str) -> Optional[Progress]:
    """The reporter of a call: None when `progress` is False."""
    if not isinstance(progress, bool):
        raise TypeError(f"progress={progress!r}: True (a bar on a call of more than a few seconds) or False")
    return Progress(what, unit) if progress else None
