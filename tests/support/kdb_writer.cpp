#include "support/kdb_writer.hpp"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <stdexcept>

#include "grid/grid.hpp"

namespace wq::testing {

namespace {

constexpr int SKIPPED_MINERAL_HEAD_LINES = 11;
const std::string SEPARATOR(60, '-');

std::string padTo(std::string s, std::size_t width) {
    if (s.size() < width) s.resize(width, ' ');
    return s;
}

// A real with a written decimal point, right-aligned in `width` columns, with
// as many of `decimals` decimals as fit.
std::string fixedField(double v, int width, int decimals) {
    char buf[64];
    for (int d = decimals; d >= 0; --d) {
        int n = std::snprintf(buf, sizeof buf, "%*.*f", width, d, v);
        if (n == width) return buf;
    }
    throw std::invalid_argument("value does not fit its field: " + std::to_string(v));
}

std::string integerField(long long v, int width) {
    char buf[64];
    int n = std::snprintf(buf, sizeof buf, "%*lld", width, v);
    if (n != width) throw std::invalid_argument("integer does not fit its field: " + std::to_string(v));
    return buf;
}

}  // namespace

KdbWriter::KdbWriter() : activity_(4) {
    // Debye-Hueckel A and B near their 25 deg C values, b_eta and b_NaCl as
    // tabulated (x1000 and x100).
    activity_[0] = 0.5114;
    activity_[1] = 0.3288;
    activity_[2] = 190.0;
    activity_[3] = 6.4;
    component(1, "H+", 1, 9.0, 1.0079);
    component(2, "H2O", 0, 0.0, 18.0153);
}

void KdbWriter::component(int number, const std::string& name, double charge, double size, double weight,
                          double alkFactor) {
    std::string line = padTo(name, 20).substr(0, 20);
    line += integerField(std::lround(charge), 2);
    line += std::string(6, ' ');
    line += integerField(std::lround(size * 100.0), 3);  // two implied decimals
    line += std::string(8, ' ');
    line += fixedField(weight, 8, 4);
    line += fixedField(alkFactor, 8, 4);
    components_[number] = line;
}

std::string KdbWriter::nameLine(const std::string& name, const std::string& suppression,
                                const std::string& range) {
    return padTo(name, 80) + padTo(suppression, 4) + std::string(6, ' ') + padTo(range, 4);
}

std::string KdbWriter::reactionLine(const std::vector<Term>& terms, int countWidth, int coefWidth,
                                    int numberWidth) {
    std::string line = integerField(static_cast<long long>(terms.size()), countWidth);
    line += std::string(static_cast<std::size_t>(3 - countWidth), ' ');
    for (const Term& t : terms)
        line += fixedField(t.coefficient, coefWidth, 3) + integerField(t.number, numberWidth);
    return line;
}

std::string KdbWriter::value(double v) const {
    char buf[64];
    if (decimals < 0) {
        auto [end, ec] = std::to_chars(buf, buf + sizeof buf, v);
        return std::string(buf, end);
    }
    std::snprintf(buf, sizeof buf, "%.*f", decimals, v);
    std::string s = buf;
    if (s.find('.') != std::string::npos) {
        while (s.back() == '0') s.pop_back();
        if (s.back() == '.') s += '0';
    }
    return s;
}

void KdbWriter::fullTable(std::vector<std::string>& out, const GridFunction& f) const {
    for (double p : GRID_PRESSURES) {
        std::string line;
        int onLine = 0;
        for (double t : GRID_TEMPERATURES) {
            if (onLine == valuesPerLine) {
                out.push_back(line);
                line.clear();
                onLine = 0;
            }
            line += ' ';
            line += value(f(t, p));
            ++onLine;
        }
        out.push_back(line);
    }
}

void KdbWriter::shortTable(std::vector<std::string>& out, const std::vector<double>& values,
                           const GridFunction& f) const {
    std::string line;
    for (int k = 0; k < N_SHORT; ++k) {
        double v = values.empty() ? f(SHORT_TABLE_TEMPERATURES[static_cast<std::size_t>(k)], 1.0)
                                  : values.at(static_cast<std::size_t>(k));
        line += ' ';
        line += value(v);
    }
    out.push_back(line);
}

void KdbWriter::species(const KdbSpecies& s) {
    aqueous_.push_back(SEPARATOR);
    aqueous_.push_back(nameLine(s.name, s.suppression, s.range));
    aqueous_.push_back(std::string(8, ' ') + fixedField(s.charge, 3, 0) + std::string(15, ' ') +
                       fixedField(s.size, 5, 2) + std::string(10, ' ') + fixedField(s.alkFactor, 6, 3));
    aqueous_.push_back(reactionLine(s.reaction, 2, 10, 2));
    if (s.range == "All ")
        fullTable(aqueous_, s.logK);
    else
        shortTable(aqueous_, s.shortTable, s.logK);
}

void KdbWriter::mineral(const KdbMineral& m) {
    minerals_.push_back(SEPARATOR);
    minerals_.push_back(padTo(m.name, 66) + integerField(m.type, 2) + fixedField(0.0, 8, 3) + "    " +
                        padTo(m.suppression, 4) + std::string(6, ' ') + padTo(m.range, 4));
    minerals_.push_back("   reaction:");
    minerals_.push_back(reactionLine(m.reaction, 3, 9, 3));
    if (m.type == 6) minerals_.push_back("   (line of entry type 6)");
    if (m.range == "All ")
        fullTable(minerals_, m.logK);
    else
        shortTable(minerals_, m.shortTable, m.logK);
}

void KdbWriter::rawAqueous(const std::vector<std::string>& lines) {
    aqueous_.insert(aqueous_.end(), lines.begin(), lines.end());
}

void KdbWriter::rawMineral(const std::vector<std::string>& lines) {
    minerals_.insert(minerals_.end(), lines.begin(), lines.end());
}

std::vector<std::string> KdbWriter::lines() const {
    static const char* const labels[4] = {"Debye-Hueckel A", "Debye-Hueckel B", "b_eta (x1000)",
                                          "b_NaCl (x100)"};
    std::vector<std::string> out;
    if (preamble_.empty()) out.push_back("Test database written by KdbWriter");
    out.insert(out.end(), preamble_.begin(), preamble_.end());
    out.push_back("********");
    for (int k = 0; k < 4; ++k) {
        out.push_back(labels[k]);
        out.push_back("  37 pressures x 36 temperatures");
        fullTable(out, activity_[static_cast<std::size_t>(k)]);
    }
    out.push_back("Component species");
    int expected = 1;
    for (const auto& [number, line] : components_) {
        // Numbers the description leaves out still need a line of their own.
        for (; expected < number; ++expected) out.push_back("Unused" + std::to_string(expected));
        out.push_back(line);
        expected = number + 1;
    }
    out.push_back("");
    out.insert(out.end(), aqueous_.begin(), aqueous_.end());
    if (aqueousEndRecord) {
        out.push_back(SEPARATOR);
        out.push_back("");
    }
    for (int k = 1; k <= SKIPPED_MINERAL_HEAD_LINES; ++k)
        out.push_back("Minerals and gases, head line " + std::to_string(k));
    out.insert(out.end(), minerals_.begin(), minerals_.end());
    if (mineralEndEntry) {
        out.push_back(SEPARATOR);
        out.push_back("");
        out.push_back("   end");
        out.push_back("  0");
    }
    return out;
}

std::string KdbWriter::text() const {
    std::string s;
    for (const std::string& line : lines()) {
        s += line;
        s += '\n';
    }
    return s;
}

}  // namespace wq::testing
