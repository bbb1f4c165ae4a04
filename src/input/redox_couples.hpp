// The redox couples of the database: the section after the blank entry that
// ends the minerals and gases, which only a run with a redox state reads.
//
// Layout: free lines, then a heading line starting "==================== redox
// couples"; then one entry per couple: a free line; the name line (columns
// 1-20 the couple, reduced/oxidized, "e-" for the electron; columns 91-94 the
// range code, "All " for a full table); the members line (columns 1-4 and 5-8
// the database numbers of the oxidized and the reduced member, 0 0 for the
// electron; columns 11-12 the element); the reaction line as for aqueous
// species (the dissociation of the oxidized member, or of the electron, on
// the database's components: columns 1-2 the number of terms, then pairs of
// 12 columns from column 4, coefficient F10.3 and database number I2); and
// the log K table, full (37 groups of 36) or short (8 values). The section
// ends with an entry whose name is blank.
//
// With pe = -log a(e-), the electron's reaction e- = 0.5 H2O - H+ - 0.25 O2,aq
// (the water-oxygen couple per electron) turns an activity of O2,aq into a pe,
// and each couple's reaction, oxidized = reduced + ... + c O2,aq, gives the
// activity of O2,aq (so the pe) at which its two members are in equilibrium.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "input/logk_table.hpp"
#include "input/tables.hpp"

namespace wq {

struct ParsedDatabase;

// One entry as it stands in the file.
struct CoupleText {
    Name20 name;
    int oxidized = 0;  // database numbers; 0 for the electron
    int reduced = 0;
    std::string element;
    int itot = 0;
    std::array<double, MAX_TERMS> coef{};
    std::array<int, MAX_TERMS> number{};
    TableText table;
};

struct CoupleSection {
    bool present = false;  // the heading was found
    std::string fault;     // what could not be read, with its line; empty when all was
    std::vector<CoupleText> entries;
    GroupStarts groups;
};

// The section that follows the minerals and gases of the parsed text, when
// there is one.
CoupleSection parseCoupleSection(const ParsedDatabase& db);

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
