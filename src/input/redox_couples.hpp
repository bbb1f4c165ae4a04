// The redox couples of the database at a run's conditions (the section's
// text: couple_section.hpp).
//
// With pe = -log a(e-), the electron's reaction e- = 0.5 H2O - H+ - 0.25 O2,aq
// (the water-oxygen couple per electron) turns an activity of O2,aq into a pe,
// and each couple's reaction, oxidized = reduced + ... + c O2,aq, gives the
// activity of O2,aq (so the pe) at which its two members are in equilibrium.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "input/couple_section.hpp"
#include "input/logk_table.hpp"
#include "input/tables.hpp"

namespace wq {

struct ParsedDatabase;

// One couple at a run's conditions, its reaction on database numbers.
struct RedoxCouple {
    std::string name;     // "Fe++/Fe+++", "e-"
    std::string element;  // "Fe"; empty for the electron
    int oxidized = 0;
    int reduced = 0;
    int itot = 0;
    std::array<double, MAX_TERMS> coef{};
    std::array<int, MAX_TERMS> number{};
    double logK = 0.0;
    bool isElectron() const { return oxidized == 0; }
    // The coefficient of database number n in the reaction; 0 when absent.
    double coefficientOf(int n) const;
};

// The couples of the database at the run's conditions (an empty list when it
// has none); a log K that the table cannot give at T and P is absent
// (isAbsent). Throws nothing: a fault of the section is in its `fault`.
std::vector<RedoxCouple> couplesAt(const ParsedDatabase& db, const LogKConditions& at);

// The log K at the run's conditions of the gas or mineral named `name` in the
// minerals and gases; nullopt-like NaN when the database has none.
double mineralLogKAt(const ParsedDatabase& db, std::string_view name, const LogKConditions& at);

}  // namespace wq
