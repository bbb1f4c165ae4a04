// The thermodynamic database as read from one content of the file: every
// record checked and taken apart once, nothing yet chosen for a run.
//
// A run's reading of the database (readDatabase, readMineralsAndGases) depends on the run:
// which component lines are read, which species and minerals are kept, which
// log K values are interpolated and where. What does not depend on the run is
// read here, once per content of the file: the text of every record, its
// fields, whether and where a read fails, and where each log K table stands.
// A run then replays the records in file order, writing the same messages
// and stopping at the same failures as a reading line by line would, and
// converts only the log K values its interpolators use.
//
// A ParsedDatabase is never changed after it is built, so any number of runs
// (and threads) may share one.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "input/data_range.hpp"
#include "input/logk_table.hpp"
#include "input/couple_section.hpp"
#include "input/tables.hpp"
#include "text/textfile.hpp"

namespace wq {

// A line of the text: its offset and its 1-based number.
struct LineAt {
    std::uint32_t offset = 0;
    int number = 0;
    bool operator==(const LineAt&) const = default;
};

// The part before the component species: the preamble, the four
// activity-model tables and the lines up to "H+". Any failure there is the
// same for every run.
struct DatabaseHead {
    enum class Failure { none, noTablesMark, labelLine, activityTable, noFirstComponent };
    Failure failure = Failure::none;
    int failureLine = 0;       // the line of the failure (the last line read at an end of file)
    std::string lastLineMark;  // columns 1-8 of the last line read, for the label messages
    bool anyLineRead = false;
    TableText failedTable;     // the activity-model table that could not be read
    std::array<TableText, 4> activity{};  // A, B, b_eta, b_NaCl
    LineAt firstComponent;                // the "H+" line
};

// Line k of the component-species section (database number k).
struct ComponentLine {
    LineAt line;
    std::uint32_t nextOffset = 0;  // where the line after it starts
    bool blankMark = false;        // columns 1-8 blank: the section may end here
    bool readable = false;         // the fields below could be read
    Name20 name;
    double charge = 0.0;
    double size = 0.0;
    double formulaWeight = 0.0;
    double alkFactor = 0.0;
};

// One aqueous-species record, the end record included.
struct AqueousRecord {
    // The first read that failed, in the order of the record's lines.
    enum class Fault : std::uint8_t { none, properties, reaction, tooManyTerms, term, table };
    Name20 name;
    Code4 suppression;
    Code4 rangeCode;
    DataRange dataRange;  // from the comment of the name line (columns 21-80)
    Fault fault = Fault::none;
    long long itot = 0;  // as written
    double charge = 0.0;
    double size = 0.0;
    double alkFactor = 0.0;
    std::array<double, MAX_TERMS> coef{};
    std::array<int, MAX_TERMS> number{};  // database numbers, as written
    ComponentNumbers numbers;             // the same as a set
    TableText table;
    bool isEnd() const { return name.isBlank(); }
};

// One mineral or gas entry, the blank entry that ends the section included.
struct MineralText {
    // The first read of the entry's head (lines 1 to 5) that failed.
    enum class Fault : std::uint8_t { none, noFirstLine, noNameLine, nameLine, reaction, term, extraLine };
    LineAt start;
    Fault fault = Fault::none;
    int faultLine = 0;  // the last line read, for an end of file at line 1
    int faultTerm = 0;  // the pair that could not be read (Fault::term)
    Name20 name;
    Code4 suppression;
    Code4 rangeCode;
    DataRange dataRange;  // from the comment line after the header
    long long terms = 0;  // as written
    std::array<double, MAX_TERMS> coef{};
    std::array<int, MAX_TERMS> number{};  // 0 for a number outside 1..70
    ComponentNumbers numbers;             // the numbers as written, as a set
    TableText table;  // the data read as free-format groups
    LineAt readEnd;   // after the data read as groups
    // After the data passed over by counting lines (37 for a full table, else
    // 1); no value when the file ends first, the end being at skipEndLine.
    std::optional<LineAt> skipEnd;
    int skipEndLine = 0;
    bool isEnd() const { return fault == Fault::none && name.isBlank(); }
};

// An entry that takes part in a run when its data serve it: a mineral (four
// blanks) or a gas ("GAS "); any other code is suppressed by the database.
inline bool isKeptCode(const Code4& suppression) { return suppression.isBlank() || suppression.equals("GAS "); }

struct MineralSection {
    bool headComplete = false;  // the 11 lines that open the section were there
    int headEndLine = 0;        // the last line, when they were not
    // The entries in file order, each passed over by counting lines; the list
    // ends with the blank entry, a failing head, or an entry whose data run
    // into the end of the file.
    std::vector<MineralText> entries;
    GroupStarts groups;
};

// The aqueous species and what follows them, read from one starting line.
struct AqueousSection {
    LineAt start;
    std::vector<AqueousRecord> records;  // the last one is the end record or a failing one
    bool complete = false;               // ended by its end record
    LineAt end;                          // the line after the end record
    int endOfFileLine = 0;               // the last line, when the end record is missing
    MineralSection minerals;             // only when complete
    GroupStarts groups;
};

struct ParsedDatabase {
    std::string name;  // of the file, for messages
    std::shared_ptr<const TextImage> image;
    DatabaseHead head;
    GroupStarts headGroups;
    // Up to 71 lines from "H+" on; fewer when the file ends first.
    std::vector<ComponentLine> components;
    // The aqueous section after the first component-species line with blank
    // columns 1-8 (or after line 71): where every run begins it unless a run
    // component has that blank line.
    std::optional<AqueousSection> aqueous;
    // The redox couples after the minerals and gases (couple_section.hpp).
    CoupleSection couples;

    std::string_view text() const { return image->text(); }
};

// Takes the database text apart.
std::shared_ptr<const ParsedDatabase> parseDatabase(std::string name, std::shared_ptr<const TextImage> image);

// The aqueous section (and the minerals after it) from line `start` on.
AqueousSection parseAqueousSection(const ParsedDatabase& db, LineAt start);

// One mineral entry from line `start` on; its log K groups go to `groups`.
MineralText parseMineralEntry(const ParsedDatabase& db, LineAt start, GroupStarts& groups);

}  // namespace wq
