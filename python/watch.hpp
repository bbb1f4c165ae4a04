// The long calls of the module _core (one translation unit): the work on a
// thread of its own while the calling thread, which alone may run Python's
// signal handlers, watches for a Ctrl-C and reports the progress.
#pragma once

#include <pybind11/pybind11.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <exception>
#include <functional>
#include <mutex>
#include <optional>
#include <system_error>
#include <thread>
#include <utility>

namespace wqpy {

namespace py = pybind11;

// How often the calling thread looks for a signal while a long call runs:
// well within the half second after which a Ctrl-C seems ignored, and seldom
// enough to cost nothing (each look takes the GIL back for a moment).
inline constexpr std::chrono::milliseconds LOOK_EVERY{20};

// Runs `work` on a thread of its own, the GIL released, while the calling
// thread waits for it and every LOOK_EVERY takes the GIL back to call `look`
// and PyErr_CheckSignals. Python runs its signal handlers on its main thread
// only, so the watch must be on the thread that called (the main one when
// the call came from there) and the work elsewhere. When a handler raises
// (Ctrl-C: KeyboardInterrupt) or `look` fails, `stop` is set: the work ends
// after what is in progress (the batch's workers take no new water, a sweep
// no new temperature), its thread is joined, and the exception raised, with
// no thread left running.
template <class Work>
auto watched(std::atomic<bool>& stop, Work&& work, const std::function<void()>& look = {}) -> decltype(work()) {
    std::optional<decltype(work())> result;
    std::exception_ptr failed, raised;
    std::mutex mutex;
    std::condition_variable ended;
    bool done = false;
    const auto run = [&] {
        try {
            result.emplace(work());
        } catch (...) {
            failed = std::current_exception();
        }
        std::lock_guard<std::mutex> lock(mutex);
        done = true;
        ended.notify_one();
    };
    std::thread thread;
    {
        py::gil_scoped_release released;
        try {
            thread = std::thread(run);
        } catch (const std::system_error&) {
            run();  // no thread to be had: the work runs here, unwatched
        }
    }
    for (bool finished = false; !finished;) {
        {
            py::gil_scoped_release released;
            std::unique_lock<std::mutex> lock(mutex);
            finished = ended.wait_for(lock, LOOK_EVERY, [&] { return done; });
        }
        if (raised) continue;
        try {
            if (look) look();
            if (PyErr_CheckSignals() != 0) throw py::error_already_set();
        } catch (...) {
            raised = std::current_exception();
            stop = true;
        }
    }
    if (thread.joinable()) {
        py::gil_scoped_release released;
        thread.join();
    }
    if (raised) std::rethrow_exception(raised);
    if (failed) std::rethrow_exception(failed);
    return std::move(*result);
}

// The progress of a long call: `progress` (None: none) called on the calling
// thread, each time it looks for a signal, with the units done and the units
// in all, once more when the work has ended.
inline std::function<void()> progressLook(const py::object& progress, const std::function<std::size_t()>& done,
                                   std::size_t total) {
    if (progress.is_none()) return {};
    return [=] { progress(std::min(done(), total), total); };
}

// `look` and then `report`, each when there is one.
inline std::function<void()> both(std::function<void()> look, std::function<void()> report) {
    if (!report) return look;
    return [=] {
        if (look) look();
        report();
    };
}

}  // namespace wqpy
