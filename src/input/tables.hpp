// The speciation tables filled by the readers and shared by every phase
// above them.
//
// The model is the classic one of aqueous speciation: a set of components
// (basis species) in whose terms every other aqueous species is written by a
// dissociation reaction with a tabulated log K. Species 1..NC are the
// components in run-input order (1 is H+, 2 is H2O); species NC+1..NSP are the
// secondary species of the database kept for the run.
#pragma once

#include <array>
#include <cmath>
#include <cstdint>
#include <limits>

#include "input/data_range.hpp"
#include "linear/newton_system.hpp"
#include "text/table.hpp"

namespace wq {

// The database numbers its components 1..70, in fields of two columns, and
// the reader scans the component section for at most 71 lines (70 and the
// blank line that ends it); no water needs more components, so the
// component tables keep this fixed size. The species, minerals and gases
// have no such bound: their tables grow with the database.
constexpr int MAX_COMPONENTS = 70;
// The Newton system holds one equation per component.
static_assert(MAX_COMPONENTS == MAX_NEWTON_ORDER, "the Newton system must hold every component of a run");
constexpr int MAX_TERMS = 12;
constexpr int MAX_FORCED = 70;

// The most positions a reader of the database may fill, the one its end
// record takes included; a front end chooses them. UNLIMITED: as many as
// the database holds.
constexpr int UNLIMITED = std::numeric_limits<int>::max();
struct TableLimits {
    int speciesPositions = UNLIMITED;  // species 1..NSP and the end record
    int mineralSlots = UNLIMITED;      // minerals and gases and the blank entry that ends them
};

// The two fixed slots of the species and component tables: H+ is species and
// component 1, water species and component 2 (the run input lists them first,
// and its reader refuses any other order); the other components follow, then
// the secondary species. The database numbers of the same two species
// (db::HYDROGEN_ION, db::WATER) name them in the input files only.
constexpr int HYDROGEN_SLOT = 1;
constexpr int WATER_SLOT = 2;

// Moles of water in one kilogram, as the single-precision value of 55.50825.
constexpr double MOLES_WATER_PER_KG = 55.50825119018555;

struct Species {
    Name20 name;  // as in the database; reports show its first 12 characters
    Code4 rangeCode;
    DataRange dataRange;  // the temperatures its log K was measured at (tag of its comment)
    double charge = 0.0;
    double size = 0.0;          // ion-size parameter (angstrom)
    double alkFactor = 0.0;     // equivalents of alkalinity per mole
    double formulaWeight = 0.0; // components only (g/mol)
    int itot = 0;
    Table<double, MAX_TERMS> coef;
    Table<int, MAX_TERMS> comp;  // run component index of each term
    double logK = 0.0;
    double molality = 0.0;
    double gamma = 1.0;
    double activity = 0.0;
    // Reaction coefficients of HS- and SO4-- (the sulfide and sulfate literal
    // sums of the listing); 0 when the reaction holds both.
    double redoxHS = 0.0;
    double redoxSO4 = 0.0;
    // What the mass action works out loop after loop, kept with what it was
    // worked out of: log10 of the gamma last seen, and the molality 10^x of
    // the log molality last taken. A lookup that misses computes afresh, so
    // a memo changes no digit.
    double memoGamma = std::numeric_limits<double>::quiet_NaN();
    double memoLogGamma = std::numeric_limits<double>::quiet_NaN();
    double memoLogMolality = std::numeric_limits<double>::quiet_NaN();
    double memoMolality = std::numeric_limits<double>::quiet_NaN();
};

// log10 gamma of a species, from its memo where gamma has not changed since.
inline double logGammaOf(const Species& s) { return s.memoGamma == s.gamma ? s.memoLogGamma : std::log10(s.gamma); }

// The same, keeping it in the memo for the next loop.
inline double rememberedLogGamma(Species& s) {
    if (!(s.memoGamma == s.gamma)) {
        s.memoLogGamma = std::log10(s.gamma);
        s.memoGamma = s.gamma;
    }
    return s.memoLogGamma;
}

// 10^x for the log molality x of a species, from its memo where x is the one
// last taken.
inline double molalityOfLog(const Species& s, double x) {
    return x == s.memoLogMolality ? s.memoMolality : std::pow(10.0, x);
}

// The same, keeping it in the memo.
inline double rememberedMolalityOfLog(Species& s, double x) {
    if (!(x == s.memoLogMolality)) {
        s.memoMolality = std::pow(10.0, x);
        s.memoLogMolality = x;
    }
    return s.memoMolality;
}

// The reader takes each record into the next free position, so positions
// past NSP may hold what a record left out or an earlier run left there;
// positions keep their values from run to run (the components' molalities
// and activity coefficients carry over).
struct SpeciesTable {
    GrowingTable<Species> at;
    int count = 0;  // NSP: last occupied position
    int co2Position = 0;  // position of "CO2,aq" (0: not in the run)
    Species& operator[](int i) { return at[i]; }
    const Species& operator[](int i) const { return at[i]; }
};

struct Component {
    int dbNumber = 0;
    double mtot = 0.0;
    double tolerance = 0.0;
    int forcedMineral = 0;
    int forcedEntry = 0;
    double weight = 1.0;
    double prevResidual = 1e65;
};

struct ComponentTable {
    Table<Component, MAX_COMPONENTS> at;
    int count = 0;  // NC
    Component& operator[](int i) { return at[i]; }
    const Component& operator[](int i) const { return at[i]; }
};

// A set of database numbers 1..70 as bits, so that whether a reaction stays
// within a run's components is two word operations, not a lookup per term.
// Bit 0 stands for every number outside 1..70, which no run has.
class ComponentNumbers {
public:
    void add(long long number) {
        const auto bit = static_cast<unsigned>(number >= 1 && number <= MAX_COMPONENTS ? number : 0);
        words_[bit / 64] |= std::uint64_t{1} << (bit % 64);
    }
    // True when every number of `other` is one of these.
    bool hold(const ComponentNumbers& other) const {
        return (other.words_[0] & ~words_[0]) == 0 && (other.words_[1] & ~words_[1]) == 0;
    }

private:
    static_assert(MAX_COMPONENTS < 128, "two words hold the numbers");
    std::array<std::uint64_t, 2> words_{};
};

// Database component number <-> run component position.
struct ComponentMap {
    Table<int, MAX_COMPONENTS> positionOf;  // database number -> position (0 = not in the run)
    Table<int, MAX_COMPONENTS> numberAt;    // position -> database number
    // Position of a database number, 0 when it is not a component of the run
    // or lies outside 1..70.
    int position(long long dbNumber) const {
        if (dbNumber < 1 || dbNumber > MAX_COMPONENTS) return 0;
        return positionOf[static_cast<int>(dbNumber)];
    }
    // The database numbers of the run's components.
    ComponentNumbers numbers() const {
        ComponentNumbers run;
        for (int n = 1; n <= MAX_COMPONENTS; ++n)
            if (positionOf[n] != 0) run.add(n);
        return run;
    }
};

struct ForcedSaturation {
    Name20 mineral;
    int component = 0;     // IEQ, as a run component position
    double target = 0.0;   // log(Q/K) at which the mineral is held
};

struct ForcedSaturationList {
    Table<ForcedSaturation, MAX_FORCED> at;
    int count = 0;
    ForcedSaturation& operator[](int i) { return at[i]; }
    const ForcedSaturation& operator[](int i) const { return at[i]; }
};

// One mineral or gas of the run, as read from the database.
struct MineralEntry {
    Name20 name;
    Code4 suppression;  // "GAS " for a gas, four blanks for a mineral
    Code4 rangeCode;
    DataRange dataRange;
    int itot = 0;
    Table<double, MAX_TERMS> coef;
    Table<int, MAX_TERMS> comp;  // run component index of each term
    double logK = 0.0;
    bool isGas() const { return suppression.equals("GAS "); }
};

struct MineralTable {
    GrowingTable<MineralEntry> at;
    int count = 0;
    MineralEntry& operator[](int i) { return at[i]; }
    const MineralEntry& operator[](int i) const { return at[i]; }
};

// The database's four activity-model tables at the run's T and P: the
// Debye-Hueckel A and B as they stand, b_eta and b_NaCl converted to kg/cal
// and kg/mol (Helgeson, Kirkham & Flowers 1981).
struct ActivityTables {
    double debyeA = 0.0;   // Debye-Hueckel A
    double debyeB = 0.0;   // Debye-Hueckel B
    double bEta = 0.0;     // Born coefficient b_eta (kg/cal)
    double bNaCl = 0.0;    // short-range b_Na+Cl- (kg/mol)
};

}  // namespace wq
