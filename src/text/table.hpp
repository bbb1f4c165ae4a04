// 1-based tables.
//
// Every program-wide table of wqspec is indexed from 1, as the chemistry is
// written (species 1 is H+, species 2 is water). Each access checks its index,
// so a bad index ends the program with an internal error instead of touching
// memory out of bounds. A Table has a fixed capacity (the components of a
// run, the terms of a reaction); a GrowingTable holds as many entries as its
// owner gives it room for (the species, minerals and gases of a database).
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstring>
#include <span>
#include <string_view>
#include <type_traits>
#include <vector>

namespace wq {

[[noreturn]] void indexOutOfRange(long index, long capacity);

template <class T, int Capacity>
class Table {
public:
    static constexpr int capacity = Capacity;

    T& operator[](int i) {
        check(i);
        return cells_[static_cast<std::size_t>(i - 1)];
    }
    const T& operator[](int i) const {
        check(i);
        return cells_[static_cast<std::size_t>(i - 1)];
    }
    void fill(const T& value) { cells_.fill(value); }
    // Contiguous storage of entries 1..Capacity, for routines that take arrays.
    T* data() { return cells_.data(); }
    const T* data() const { return cells_.data(); }

private:
    static void check(int i) {
        if (i < 1 || i > Capacity) indexOutOfRange(i, Capacity);
    }
    std::array<T, Capacity> cells_{};
};

// A 1-based table of positions 1..size(), checked like Table. It is sized
// only explicitly: growTo gives it room for more positions and keeps what
// the positions held already; it never shrinks. A table reused from run to
// run therefore allocates only when a run needs more positions than any run
// before it. A loop over a run of positions takes them as one span, checked
// once (positions).
template <class T>
class GrowingTable {
    // std::vector<bool> packs bits and has no bool& to give: flags are char.
    static_assert(!std::is_same_v<T, bool>, "a table of flags holds char");

public:
    T& operator[](int i) {
        check(i);
        return cells_[static_cast<std::size_t>(i - 1)];
    }
    const T& operator[](int i) const {
        check(i);
        return cells_[static_cast<std::size_t>(i - 1)];
    }
    // Positions first..last, none when last < first.
    std::span<T> positions(int first, int last) {
        if (last < first) return {};
        check(first);
        check(last);
        return {cells_.data() + (first - 1), static_cast<std::size_t>(last - first + 1)};
    }
    std::span<const T> positions(int first, int last) const {
        if (last < first) return {};
        check(first);
        check(last);
        return {cells_.data() + (first - 1), static_cast<std::size_t>(last - first + 1)};
    }
    int size() const { return size_; }
    // Positions 1..n at least; a new position holds T{}, never a shrink.
    void growTo(int n) {
        if (n <= size_) return;
        cells_.resize(static_cast<std::size_t>(n));
        size_ = n;
    }
    void fill(const T& value) { std::fill(cells_.begin(), cells_.end(), value); }

private:
    // One comparison: i - 1 taken as unsigned is beyond the size for i < 1 too.
    void check(int i) const {
        if (static_cast<unsigned>(i) - 1u >= static_cast<unsigned>(size_)) indexOutOfRange(i, size_);
    }
    std::vector<T> cells_;
    int size_ = 0;  // cells_.size(), kept at hand for the check of every access
};

// A column-major matrix with 1-based indices: (i, j) is row i of column j, and
// the rows of one column lie next to each other in memory.
template <int Rows, int Cols>
class Matrix {
public:
    static constexpr int rows = Rows;
    static constexpr int cols = Cols;

    double& operator()(int i, int j) {
        check(i, j);
        return cells_[static_cast<std::size_t>((j - 1) * Rows + (i - 1))];
    }
    double operator()(int i, int j) const {
        check(i, j);
        return cells_[static_cast<std::size_t>((j - 1) * Rows + (i - 1))];
    }
    void fill(double value) { cells_.fill(value); }
    // Rows 1..Rows of column j, contiguous, as cells 0..Rows-1 (the column
    // checked once, for a loop down it that checked each cell before).
    std::span<double, Rows> column(int j) {
        check(1, j);
        return std::span<double, Rows>(cells_.data() + static_cast<std::size_t>(j - 1) * Rows, Rows);
    }
    std::span<const double, Rows> column(int j) const {
        check(1, j);
        return std::span<const double, Rows>(cells_.data() + static_cast<std::size_t>(j - 1) * Rows, Rows);
    }

private:
    static void check(int i, int j) {
        if (i < 1 || i > Rows) indexOutOfRange(i, Rows);
        if (j < 1 || j > Cols) indexOutOfRange(j, Cols);
    }
    std::array<double, static_cast<std::size_t>(Rows) * Cols> cells_{};
};

// A text of exactly N characters, blank-padded, as the fixed-column records
// hold names and codes. Compared over all N characters.
template <int N>
class FixedText {
public:
    FixedText() { chars_.fill(' '); }
    FixedText(std::string_view s) { assign(s); }
    void assign(std::string_view s) {
        chars_.fill(' ');
        std::copy_n(s.begin(), std::min<std::size_t>(s.size(), N), chars_.begin());
    }
    std::string_view view() const { return {chars_.data(), N}; }
    // Without its trailing blanks, for messages that go on after it: eight
    // blanks at a time from the end (a name of 20 is mostly padding), then
    // one at a time.
    std::string_view trimmed() const {
        std::size_t n = N;
        while (n >= 8 && std::memcmp(chars_.data() + n - 8, "        ", 8) == 0) n -= 8;
        while (n > 0 && chars_[n - 1] == ' ') --n;
        return {chars_.data(), n};
    }
    operator std::string_view() const { return view(); }
    bool isBlank() const {
        return std::all_of(chars_.begin(), chars_.end(), [](char c) { return c == ' '; });
    }
    // All N characters: an equality of memcmp, which the compiler expands
    // into a few word compares (the default one called memcmp itself).
    bool operator==(const FixedText& other) const { return std::memcmp(chars_.data(), other.chars_.data(), N) == 0; }
    // True when s, padded with blanks to N characters, equals this text.
    bool equals(std::string_view s) const {
        return s.size() <= N && std::equal(s.begin(), s.end(), chars_.begin()) &&
               std::all_of(chars_.begin() + s.size(), chars_.end(), [](char c) { return c == ' '; });
    }

private:
    std::array<char, N> chars_;
};

using Name20 = FixedText<20>;
using Code4 = FixedText<4>;

}  // namespace wq
