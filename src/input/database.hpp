// The thermodynamic database LOGKDATA.KDB, up to the end of its aqueous
// species.
//
// Layout of the file, in order: a free preamble ended by a line whose columns
// 1-8 are "********"; the four activity-model tables (Debye-Hueckel A and B,
// the Born coefficient b_eta and the short-range b_Na+Cl-), each two label
// lines and a full table; free lines up to the "H+" line; one component-species
// line per database number, ended by a line with blank columns 1-8; the aqueous
// species, each a separator line, a name line, a property line, a reaction
// line and its log K table, ended by a record with a blank name; and the
// minerals and gases (see minerals.hpp).
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "input/logk_table.hpp"
#include "input/tables.hpp"

namespace wq {

struct AqueousSection;
struct Channels;
struct ComponentMap;
struct LogKValues;
struct ParsedDatabase;
struct ReadingPlan;

// What a run leaves out besides what the database and the run input leave
// out: the species, minerals and gases the user suppressed (by their names in
// the database), and, with a redox state, the species that would tie an
// element kept decoupled to that state: those written on O2,aq and on a
// component of the element (N2,aq on NH4+ and O2,aq, with N kept decoupled).
struct RunLeaveOut {
    std::vector<std::string> suppressed;
    struct Decoupled {
        int number;           // a database number of the element's components
        std::string element;  // "N"
    };
    std::vector<Decoupled> decoupled;
    bool isSuppressed(std::string_view name) const;
    // The element a reaction on these database numbers would tie to the
    // redox state; empty when none.
    std::string tiedElement(const int* numbers, int count) const;
};

// One run's reading of the database: the parsed content it reads, the
// conditions its log K values are brought to, the run's components by
// database number, and the channels its messages and the skip list go to.
struct DatabaseRun {
    std::shared_ptr<const ParsedDatabase> database;
    LogKConditions at;
    const ComponentMap& map;
    Channels& io;
    const RunLeaveOut* leaveOut = nullptr;  // none when null
    // The values of `database` at `at`, worked out beforehand for entries
    // that take only these components (LogKCache); null: interpolated here.
    const LogKValues* values = nullptr;
    // The plan of an earlier reading, taken when this run reads alike and
    // made afresh when it does not (reading_plan.hpp); null: none.
    ReadingPlan* plan = nullptr;
};

// Where this run's aqueous species ended and its minerals and gases begin:
// the usual section of the parsed database, or one read for this run alone
// (when its component section ended elsewhere). readDatabase hands it to
// readMineralsAndGases.
struct RunSection {
    const ParsedDatabase* database = nullptr;  // the content it belongs to
    const AqueousSection* aqueous = nullptr;
    std::shared_ptr<const AqueousSection> own;  // the section read for this run, when it is one
};

// What the reading of the aqueous species gives besides the species table.
struct AqueousReading {
    ActivityTables activityTables;  // the database's activity-model tables at the run's T and P
    RunSection section;
};

// Reads the database from its beginning for the run's T and P: the
// activity-model parameters, the component species of the run (the first
// `componentCount` slots of `sp`, by `run.map`), and every aqueous species,
// keeping those whose reaction uses only the run's components and whose data
// reach T and P. Writes the skip-list entries and the notices for the
// species left out. Works on the parsed content and converts only the log K
// values the run's interpolators use. A charged species is required of the
// charge-balance component (`chargeBalancePosition`, 0 for none). Every
// record, the end record included, takes the next free position of `sp`
// (growing it); taking position `maxPositions` stops the run with the
// listing's message (TableLimits: the console program keeps 600).
AqueousReading readDatabase(const DatabaseRun& run, int componentCount, int chargeBalancePosition, SpeciesTable& sp,
                            int maxPositions);

}  // namespace wq
