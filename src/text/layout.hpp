// Fixed-layout text records.
//
// Every line the program writes, to the console or to a file, is produced from a
// layout in the classic edit-descriptor notation: I, F, E, G, A, nX, quoted text,
// '/', repeat counts and parenthesised groups with reversion. A layout is parsed
// once into a flat item list; writing walks that list with the values.
#pragma once

#include <initializer_list>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace wq {

// One value handed to a layout: an integer, a real or a text.
class Value {
public:
    enum class Kind { integer, real, text };
    Value(int v) : kind_(Kind::integer), int_(v) {}
    Value(long v) : kind_(Kind::integer), int_(v) {}
    Value(long long v) : kind_(Kind::integer), int_(v) {}
    Value(double v) : kind_(Kind::real), real_(v) {}
    Value(std::string_view v) : kind_(Kind::text), text_(v) {}
    Value(const char* v) : kind_(Kind::text), text_(v) {}
    Value(const std::string& v) : kind_(Kind::text), text_(v) {}

    Kind kind() const { return kind_; }
    long long integer() const { return int_; }
    double real() const { return real_; }
    std::string_view text() const { return text_; }

private:
    Kind kind_;
    long long int_ = 0;
    double real_ = 0.0;
    std::string_view text_;
};

class Layout {
public:
    // Parses a layout such as "(2X,A12,I5,3X,F5.0)". A malformed layout is a
    // fault of the program and raises an InternalError.
    explicit Layout(std::string_view text);

    // Writes the values through the layout; the result holds one or more
    // complete lines, each ended by '\n'.
    std::string write(std::span<const Value> values) const;
    std::string write(std::initializer_list<Value> values) const {
        return write(std::span<const Value>(values.begin(), values.size()));
    }

    enum class Op { integer, fixed, exponent, general, text, blanks, literal, newline };
    struct Item {
        Op op;
        int width = 0;     // field width; -1 for a text at its full length
        int decimals = 0;  // decimals (F, E) or significant digits (G)
        std::string literal;
        bool takesValue() const {
            return op == Op::integer || op == Op::fixed || op == Op::exponent ||
                   op == Op::general || op == Op::text;
        }
    };

private:
    std::vector<Item> items_;   // groups and repeat counts expanded
    std::size_t reversion_ = 0; // where the layout starts again when values remain
};

// Field editing, one value at a time (exposed for tests and for the few places
// that build a line by hand).
std::string formatInteger(long long value, int width);
std::string formatFixed(double value, int width, int decimals);
std::string formatExponent(double value, int width, int decimals);
std::string formatGeneral(double value, int width, int digits);
std::string formatText(std::string_view text, int width);

}  // namespace wq
