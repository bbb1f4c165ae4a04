#include "text/layout.hpp"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "text/stop.hpp"

namespace wq {

namespace {

[[noreturn]] void badLayout(std::string_view text, std::string_view why) {
    throw InternalError{"layout " + std::string(text) + ": " + std::string(why)};
}

// Recursive-descent parser of the layout notation. Groups are expanded into
// the flat item list as they are parsed.
class LayoutParser {
public:
    explicit LayoutParser(std::string_view text) : text_(text) {}

    void parse(std::vector<Layout::Item>& items, std::size_t& reversion) {
        skipBlanks();
        expect('(');
        parseList(items, /*topLevel=*/true, reversion);
        skipBlanks();
        if (pos_ != text_.size()) badLayout(text_, "text after the closing parenthesis");
    }

private:
    void parseList(std::vector<Layout::Item>& items, bool topLevel, std::size_t& reversion) {
        while (true) {
            skipSeparators();
            if (pos_ >= text_.size()) badLayout(text_, "missing closing parenthesis");
            char c = text_[pos_];
            if (c == ')') {
                ++pos_;
                return;
            }
            if (c == '/') {
                ++pos_;
                items.push_back({Layout::Op::newline, 0, 0, {}});
                continue;
            }
            if (c == '\'') {
                items.push_back({Layout::Op::literal, 0, 0, quoted()});
                continue;
            }
            int repeat = 1;
            bool counted = false;
            if (std::isdigit(static_cast<unsigned char>(c))) {
                repeat = number();
                counted = true;
                skipBlanks();
                if (pos_ >= text_.size()) badLayout(text_, "repeat count without item");
                c = text_[pos_];
            }
            if (c == '(') {
                ++pos_;
                std::vector<Layout::Item> group;
                std::size_t inner = 0;
                parseList(group, false, inner);
                if (topLevel) reversion = items.size();
                for (int r = 0; r < repeat; ++r) items.insert(items.end(), group.begin(), group.end());
                continue;
            }
            Layout::Item item = editItem(counted ? repeat : 1, counted);
            if (item.op == Layout::Op::blanks) {
                items.push_back(item);
                continue;
            }
            for (int r = 0; r < repeat; ++r) items.push_back(item);
        }
    }

    Layout::Item editItem(int count, bool counted) {
        char c = static_cast<char>(std::toupper(static_cast<unsigned char>(text_[pos_++])));
        Layout::Item item{Layout::Op::literal, 0, 0, {}};
        switch (c) {
            case 'X':
                item.op = Layout::Op::blanks;
                item.width = count;
                return item;
            case 'I':
                item.op = Layout::Op::integer;
                item.width = number();
                return item;
            case 'A':
                item.op = Layout::Op::text;
                item.width = nextIsDigit() ? number() : -1;
                return item;
            case 'F': item.op = Layout::Op::fixed; break;
            case 'E': item.op = Layout::Op::exponent; break;
            case 'G': item.op = Layout::Op::general; break;
            default: badLayout(text_, "unknown item");
        }
        (void)counted;
        item.width = number();
        expect('.');
        item.decimals = number();
        return item;
    }

    std::string quoted() {
        ++pos_;  // opening quote
        std::string out;
        while (true) {
            if (pos_ >= text_.size()) badLayout(text_, "unterminated text");
            char c = text_[pos_++];
            if (c == '\'') {
                if (pos_ < text_.size() && text_[pos_] == '\'') {
                    out += '\'';
                    ++pos_;
                    continue;
                }
                return out;
            }
            out += c;
        }
    }

    bool nextIsDigit() const {
        return pos_ < text_.size() && std::isdigit(static_cast<unsigned char>(text_[pos_]));
    }
    int number() {
        if (!nextIsDigit()) badLayout(text_, "number expected");
        int n = 0;
        while (nextIsDigit()) n = n * 10 + (text_[pos_++] - '0');
        return n;
    }
    void expect(char c) {
        if (pos_ >= text_.size() || text_[pos_] != c) badLayout(text_, std::string("expected ") + c);
        ++pos_;
    }
    void skipBlanks() {
        while (pos_ < text_.size() && text_[pos_] == ' ') ++pos_;
    }
    void skipSeparators() {
        while (pos_ < text_.size() && (text_[pos_] == ' ' || text_[pos_] == ',')) ++pos_;
    }

    std::string_view text_;
    std::size_t pos_ = 0;
};

std::string stars(int width) { return std::string(static_cast<std::size_t>(width), '*'); }

std::string rightAligned(const std::string& s, int width) {
    if (static_cast<int>(s.size()) > width) return stars(width);
    return std::string(static_cast<std::size_t>(width) - s.size(), ' ') + s;
}

// Drops the 0 before the decimal point ("0.5" -> ".5", "-0.5" -> "-.5") when
// the field has no room for it.
std::string fitLeadingZero(std::string s, int width) {
    if (static_cast<int>(s.size()) <= width) return s;
    std::size_t zero = (s[0] == '-') ? 1 : 0;
    if (s.size() > zero + 1 && s[zero] == '0' && s[zero + 1] == '.') s.erase(zero, 1);
    return s;
}

std::string nonFinite(double value, int width) {
    std::string s = std::isnan(value) ? "NaN" : (value < 0 ? "-Inf" : "Inf");
    return rightAligned(s, width);
}

// Rounds |value| to `digits` significant digits: the digits and the decimal
// exponent e of 0.d1d2...dn x 10^e.
void significantDigits(double magnitude, int digits, std::string& mantissa, int& exponent) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.*e", digits - 1, magnitude);
    // buf = "D.DDDDe+XX" (or "De+XX" for a single digit)
    mantissa.clear();
    const char* p = buf;
    for (; *p != 'e'; ++p)
        if (*p != '.') mantissa += *p;
    exponent = std::atoi(p + 1) + 1;
}

}  // namespace

Layout::Layout(std::string_view text) {
    LayoutParser(text).parse(items_, reversion_);
}

std::string formatInteger(long long value, int width) {
    return rightAligned(std::to_string(value), width);
}

std::string formatFixed(double value, int width, int decimals) {
    if (!std::isfinite(value)) return nonFinite(value, width);
    char buf[400];
    std::snprintf(buf, sizeof buf, "%.*f", decimals, value);
    std::string s(buf);
    // A value that rounds to zero is written without a sign ("0.0000", not
    // "-0.0000"): a converged log(Q/K) of -1e-12 is saturation, not below it.
    if (s[0] == '-' && s.find_first_not_of("-0.") == std::string::npos) s.erase(0, 1);
    if (decimals == 0) s += '.';
    return rightAligned(fitLeadingZero(s, width), width);
}

std::string formatExponent(double value, int width, int decimals) {
    if (!std::isfinite(value)) return nonFinite(value, width);
    std::string digits;
    int exponent = 0;
    if (value == 0.0) {
        digits.assign(static_cast<std::size_t>(decimals), '0');
    } else {
        significantDigits(std::fabs(value), decimals, digits, exponent);
    }
    int magnitude = std::abs(exponent);
    if (magnitude > 999) return stars(width);
    char expo[8];
    if (magnitude <= 99)
        std::snprintf(expo, sizeof expo, "E%c%02d", exponent < 0 ? '-' : '+', magnitude);
    else
        std::snprintf(expo, sizeof expo, "%c%03d", exponent < 0 ? '-' : '+', magnitude);
    std::string s = (value < 0 ? "-0." : "0.") + digits + expo;
    return rightAligned(fitLeadingZero(s, width), width);
}

std::string formatGeneral(double value, int width, int digits) {
    if (value != 0.0 && std::isfinite(value)) {
        std::string mantissa;
        int exponent = 0;
        significantDigits(std::fabs(value), digits, mantissa, exponent);
        // After rounding to `digits` significant digits the value lies in
        // [0.1, 10^digits) exactly when 0 <= exponent <= digits.
        if (exponent >= 0 && exponent <= digits)
            return formatFixed(value, width - 4, digits - exponent) + "    ";
    }
    return formatExponent(value, width, digits);
}

std::string formatText(std::string_view text, int width) {
    if (width < 0) return std::string(text);
    std::string s(text.substr(0, static_cast<std::size_t>(width)));
    s.resize(static_cast<std::size_t>(width), ' ');
    return s;
}

namespace {

std::string edit(const Layout::Item& item, const Value& v) {
    auto real = [&] {
        if (v.kind() == Value::Kind::text) throw InternalError{"a text given to a numeric item"};
        return v.kind() == Value::Kind::real ? v.real() : static_cast<double>(v.integer());
    };
    switch (item.op) {
        case Layout::Op::integer:
            if (v.kind() != Value::Kind::integer) throw InternalError{"a non-integer given to an I item"};
            return formatInteger(v.integer(), item.width);
        case Layout::Op::fixed: return formatFixed(real(), item.width, item.decimals);
        case Layout::Op::exponent: return formatExponent(real(), item.width, item.decimals);
        case Layout::Op::general: return formatGeneral(real(), item.width, item.decimals);
        case Layout::Op::text:
            if (v.kind() != Value::Kind::text) throw InternalError{"a number given to an A item"};
            return formatText(v.text(), item.width);
        default: throw InternalError{"not a value item"};
    }
}

}  // namespace

std::string Layout::write(std::span<const Value> values) const {
    std::string out;
    std::string line;
    std::size_t next = 0;
    std::size_t pos = 0;
    auto endLine = [&] {
        out += line;
        out += '\n';
        line.clear();
    };
    while (true) {
        if (pos == items_.size()) {
            endLine();
            if (next >= values.size()) return out;
            // Values remain: start again from the last top-level group.
            bool consumes = false;
            for (std::size_t k = reversion_; k < items_.size(); ++k) consumes |= items_[k].takesValue();
            if (!consumes) throw InternalError{"layout has values left but no item to take them"};
            pos = reversion_;
            continue;
        }
        const Item& item = items_[pos];
        if (item.takesValue()) {
            if (next >= values.size()) {
                endLine();
                return out;
            }
            line += edit(item, values[next++]);
        } else if (item.op == Op::newline) {
            endLine();
        } else if (item.op == Op::blanks) {
            line.append(static_cast<std::size_t>(item.width), ' ');
        } else {
            line += item.literal;
        }
        ++pos;
    }
}

}  // namespace wq
