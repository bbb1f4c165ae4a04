// Builds the text of a LOGKDATA.KDB database, column for column as the
// readers expect it, from a short description: each test states only the
// entries it is about.
//
//   KdbWriter w;                         // H+ and H2O are there already
//   w.component(3, "Cl-", -1, 3.0, 35.453);
//   w.species({.name = "OH-", .charge = -1, .size = 3.5,
//              .reaction = {{1, 2}, {-1, 1}}, .logK = 14.0});
//   w.mineral({.name = "Halite", .reaction = {{1, 13}, {1, 3}},
//              .logK = [](double t, double) { return 1.6 - 0.001 * t; }});
//   DatabaseFile db = DatabaseFile::ofText("LOGKDATA.KDB", w.text());
#pragma once

#include <concepts>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace wq::testing {

// A value tabulated on the grid: a constant or a function of (T in deg C,
// P in bar).
class GridFunction {
public:
    GridFunction(double constant = 0.0) : f_([constant](double, double) { return constant; }) {}
    template <class F>
        requires std::invocable<F, double, double> && (!std::convertible_to<F, double>)
    GridFunction(F f) : f_(std::move(f)) {}
    double operator()(double t, double p) const { return f_(t, p); }

private:
    std::function<double(double, double)> f_;
};

struct Term {
    double coefficient;
    int number;  // database number of the component
};

struct KdbSpecies {
    std::string name{};
    double charge = 0.0;
    double size = 0.0;
    double alkFactor = 0.0;
    std::vector<Term> reaction{};
    GridFunction logK{};
    std::string range = "All ";       // "All ": full table from logK
    std::vector<double> shortTable{};   // 8 values; else logK at 25..350 deg C and 1 bar
    std::string suppression = "    ";
};

struct KdbMineral {
    std::string name{};
    int type = 0;  // 6 adds the extra line after the reaction
    std::string suppression = "    ";  // "GAS " for a gas
    std::string range = "All ";
    std::vector<Term> reaction{};
    GridFunction logK{};
    std::vector<double> shortTable{};
};

class KdbWriter {
public:
    KdbWriter();

    // Digits of the tabulated values: -1 writes each value in its shortest
    // exact form; d >= 0 rounds to d decimals (trailing zeros dropped).
    int decimals = -1;
    // Values of one full-table group per line (36: one pressure row a line).
    int valuesPerLine = 36;
    bool aqueousEndRecord = true;
    bool mineralEndEntry = true;

    void preamble(const std::string& line) { preamble_.push_back(line); }
    // Table k: 0 A, 1 B, 2 b_eta (as tabulated, x1000), 3 b_NaCl (x100).
    void activity(int k, GridFunction f) { activity_.at(static_cast<std::size_t>(k)) = std::move(f); }
    void component(int number, const std::string& name, double charge, double size, double weight,
                   double alkFactor = 0.0);
    void species(const KdbSpecies& s);
    void mineral(const KdbMineral& m);
    // Lines written as they stand into the aqueous or mineral section.
    void rawAqueous(const std::vector<std::string>& lines);
    void rawMineral(const std::vector<std::string>& lines);

    std::vector<std::string> lines() const;
    std::string text() const;

    // Layout helpers, exposed for tests that build a damaged line.
    static std::string nameLine(const std::string& name, const std::string& suppression,
                                const std::string& range);
    static std::string reactionLine(const std::vector<Term>& terms, int countWidth, int coefWidth,
                                    int numberWidth);

private:
    std::string value(double v) const;
    void fullTable(std::vector<std::string>& out, const GridFunction& f) const;
    void shortTable(std::vector<std::string>& out, const std::vector<double>& values,
                    const GridFunction& f) const;

    std::vector<std::string> preamble_;
    std::vector<GridFunction> activity_;
    std::map<int, std::string> components_;
    std::vector<std::string> aqueous_;
    std::vector<std::string> minerals_;
};

}  // namespace wq::testing
