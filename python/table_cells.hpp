// The records' cells of a table of waters as they come, for the module
// _core (one translation unit): the numbers into one numpy block, the texts
// into Python strings on the calling thread.
#pragma once

#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>

#include <atomic>
#include <cmath>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "app/table_of_waters.hpp"
#include "report/records.hpp"

namespace wqpy {

namespace py = pybind11;

// The names of the header's text columns (`text`), or of its number columns.
inline std::vector<std::string> columnNames(const wq::RecordHeader& header, bool text) {
    std::vector<std::string> names;
    for (std::size_t c = 0; c < header.names.size(); ++c)
        if (header.text[c] == text) names.push_back(header.names[c]);
    return names;
}

// `values` as a numpy array of `shape` that owns them: no copy.
template <class T>
py::array_t<T> arrayOf(std::vector<T>&& values, std::vector<py::ssize_t> shape) {
    auto owned = std::make_unique<std::vector<T>>(std::move(values));
    const T* data = owned->data();
    py::capsule owner(owned.get(), [](void* p) { delete static_cast<std::vector<T>*>(p); });
    owned.release();
    return py::array_t<T>(std::move(shape), data, owner);
}

// The records' cells as the waters come, only the columns asked for. On the
// work's thread (take), the numbers go into one block of a row per water,
// handed to numpy as it is; the text cells and the JSON records wait there
// until the calling thread, each time it looks for a signal (look), makes
// them Python strings, so that no cell is held twice for long. A text the
// cell above holds too (a status "converged", the activity model) is the
// same Python string.
class TableCells {
public:
    TableCells(std::size_t rows, bool json) : rowCount_(rows), json_(json) {}

    void take(const wq::RecordHeader& header, const wq::WaterOutcome& water) {
        if (rows_.empty()) {
            rows_.reserve(rowCount_);
            numbers_.reserve(rowCount_ * columnNames(header, false).size());
        }
        if (!water.fault.empty() && !firstFault_) firstFault_.emplace(rows_.size(), water.fault);
        rows_.push_back(static_cast<std::int64_t>(water.row));
        const std::vector<wq::RecordCell>& cells = water.cells;
        std::lock_guard<std::mutex> lock(mutex_);
        textColumns_ = 0;
        for (std::size_t c = 0; c < header.names.size(); ++c) {
            const bool present = c < cells.size();
            if (header.text[c]) {
                ++textColumns_;
                pendingTexts_.push_back(present ? cells[c].text : "");
            } else {
                numbers_.push_back(present && cells[c].kind != wq::RecordCell::Kind::text ? cells[c].number
                                                                                           : std::nan(""));
            }
        }
        if (json_) pendingJson_.push_back(water.json);
        taken_ = rows_.size();
    }

    // The waters taken so far (from any thread).
    std::size_t taken() const { return taken_.load(); }

    // With the GIL: the texts so far into the Python lists.
    void look() {
        std::vector<std::string> texts, json;
        std::size_t columns = 0;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            texts.swap(pendingTexts_);
            json.swap(pendingJson_);
            columns = textColumns_;
        }
        if (texts_.size() < columns) {
            texts_.resize(columns);
            last_.resize(columns);
        }
        for (std::size_t k = 0; k < texts.size(); ++k) {
            Column& column = texts_[k % columns];
            Last& last = last_[k % columns];
            if (!last.string || texts[k] != last.text) last = {texts[k], py::str(texts[k])};
            column.append(last.string);
        }
        for (const std::string& record : json) json_records_.append(py::str(record));
    }

    // With the GIL, once the work has ended and the last look is done.
    void into(py::dict& result, const wq::RecordHeader& header) {
        const std::size_t numeric = columnNames(header, false).size();
        const std::size_t waters = rows_.size();
        numbers_.resize(waters * numeric);
        result["numbers"] = arrayOf(std::move(numbers_), {py::ssize_t(waters), py::ssize_t(numeric)});
        texts_.resize(columnNames(header, true).size());
        result["texts"] = texts_;
        result["rows"] = arrayOf(std::move(rows_), {py::ssize_t(waters)});
        result["first_fault"] = firstFault_ ? py::object(py::make_tuple(firstFault_->first, firstFault_->second))
                                            : py::object(py::none());
        result["json"] = json_records_;
    }

private:
    using Column = py::list;
    struct Last {
        std::string text;
        py::object string;
    };

    const std::size_t rowCount_;
    const bool json_;
    // The work's own, read once it has ended.
    std::vector<double> numbers_;
    std::vector<std::int64_t> rows_;
    std::optional<std::pair<std::size_t, std::string>> firstFault_;
    std::atomic<std::size_t> taken_{0};
    // Handed from the work's thread to the calling one.
    std::mutex mutex_;
    std::vector<std::string> pendingTexts_, pendingJson_;
    std::size_t textColumns_ = 0;
    // The calling thread's, with the GIL.
    std::vector<Column> texts_;
    std::vector<Last> last_;
    py::list json_records_;
};

}  // namespace wqpy
