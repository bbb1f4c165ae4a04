#include "input/database.hpp"

#include <algorithm>
#include <array>
#include <initializer_list>
#include <string>
#include <string_view>

#include "grid/grid.hpp"
#include "input/db_numbers.hpp"
#include "text/channels.hpp"
#include "input/logk_cache.hpp"
#include "input/logk_table.hpp"
#include "input/parsed_database.hpp"
#include "input/reading_plan.hpp"
#include "text/failure.hpp"
#include "text/stop.hpp"

namespace wq {

namespace {

// Reduced species whose formation is kinetically slow at low temperature: with
// the controlling database number among the components, the run treats them
// as if the database had suppressed them (code "SU33"), so that the redox
// state of carbon, hydrogen and nitrogen follows the analysis, not equilibrium.
struct SlowRedoxSpecies {
    int number;  // the database number that switches the suppression on
    std::string_view name;
};
constexpr SlowRedoxSpecies SLOW_REDOX_SPECIES[] = {
    {db::SLOW_REDOX_CARBON, "CH4,aq"},      {db::SLOW_REDOX_CARBON, "C2H6,aq"},
    {db::SLOW_REDOX_CARBON, "C3H8,aq"},     {db::SLOW_REDOX_CARBON, "C4H10,aq"},
    {db::SLOW_REDOX_CARBON, "methanol,aq"}, {db::SLOW_REDOX_CARBON, "ethanol,aq"},
    {db::SLOW_REDOX_HYDROGEN, "H2,aq"},     {db::SLOW_REDOX_NITROGEN, "N2,aq"},
    {db::SLOW_REDOX_AMMONIA, "NH3,aq"},
};
constexpr std::string_view SLOW_REDOX_CODE = "SU33";

// One run's reading of the aqueous species, as the steps below share it.
struct SpeciesReading {
    const DatabaseRun& run;
    const ParsedDatabase& db;
    int componentCount;
    int chargeBalancePosition;
    SpeciesTable& sp;
    int maxPositions;  // the most positions the records may take (TableLimits)
    // The slow redox species whose controlling number is a component of the run.
    std::array<std::string_view, std::size(SLOW_REDOX_SPECIES)> slowRedox{};
    std::size_t slowRedoxCount = 0;
    ReadingPlan* recording = nullptr;  // the plan this reading makes, if any
};

void findSlowRedoxSpecies(SpeciesReading& reading) {
    for (const SlowRedoxSpecies& slow : SLOW_REDOX_SPECIES)
        if (reading.run.map.position(slow.number) != 0) reading.slowRedox[reading.slowRedoxCount++] = slow.name;
}

// A component-species section without a blank end line ends after this many.
constexpr int COMPONENT_SECTION_LINES = MAX_COMPONENTS + 1;

// The read-failure messages are free-format writes: the run-time's leading
// blank, then the values at their full length.

// Columns 1-8 of the last line read from the file, or blanks when the failing
// search had not read any line yet.
[[noreturn]] void labelReadError(SpeciesReading& reading, const DatabaseHead& head) {
    static const Layout message("(1X,A,A8)");
    reading.run.io.console.write(message, {"  Reading dum error, logkdata line: ", std::string_view(head.lastLineMark)});
    fileFailure(reading.db.name, head.failureLine, "cannot read a label line");
}

// After the text, the number of the line that could not be read, so that the
// user can find it; at the end of the file, the number of the missing line.
// The error line also says what is wrong with the value refused.
[[noreturn]] void tableReadError(SpeciesReading& reading, std::string_view text, const TableText& table) {
    static const Layout message("(1X,A,A)");
    const ParsedDatabase& db = reading.db;
    const bool atEnd = table.status == TableRead::endOfFile;
    std::string where = atEnd ? std::to_string(table.failureLine + 1) + " (end of file)"
                              : std::to_string(table.failureLine);
    reading.run.io.console.write(message, {text, where});
    stop(ExitStatus::error, db.name + ", line " + where + ": cannot read a log K table" +
                                (atEnd ? "" : ": " + tableFault(table, db.text())));
}

[[noreturn]] void speciesReadError(SpeciesReading& reading, const Species& s) {
    static const Layout message("(1X,A,A)");
    reading.run.io.console.write(message, {"  Bombed on reading species: ", s.name.view()});
    stop(ExitStatus::error, reading.db.name + ": cannot read species " + std::string(s.name.trimmed()));
}

void replayHead(SpeciesReading& reading, const ParsedDatabase& db) {
    const DatabaseHead& head = db.head;
    switch (head.failure) {
        case DatabaseHead::Failure::none:
            return;
        case DatabaseHead::Failure::noTablesMark:
            fileFailure(db.name, head.failureLine,
                        "end of file before the \"********\" line that ends the preamble");
        case DatabaseHead::Failure::labelLine:
        case DatabaseHead::Failure::noFirstComponent:
            labelReadError(reading, head);
        case DatabaseHead::Failure::activityTable:
            tableReadError(reading, "  Reading ZILCH error, logkdata line: ", head.failedTable);
    }
}

// The section ends at the blank line of database number `end`; a component
// of the run with that number or a higher one has no line in the database,
// and reading on would take species records for component lines.
void checkComponentsInSection(const SpeciesReading& reading, const ParsedDatabase& db, int end, int line) {
    for (int position = 1; position <= reading.componentCount; ++position) {
        const int number = reading.run.map.numberAt[position];
        if (number >= end)
            fileFailure(db.name, line,
                        "database number " + std::to_string(number) +
                            " is a component of the run, but the component-species section ends at this line");
    }
}

// Line k of the section belongs to database number k. Only the run's
// components are read; the molality and activity coefficient of their
// positions carry over from run to run and are not touched. A blank line
// ends the section, unless its number is a component of the run (its line is
// then read as a component line); a section without a blank line ends after
// line 71. Gives the line where the aqueous species begin.
LineAt readComponentSpecies(SpeciesReading& reading, const ParsedDatabase& db) {
    for (int number = 1; number <= COMPONENT_SECTION_LINES; ++number) {
        if (number > static_cast<int>(db.components.size()))
            fileFailure(db.name, db.components.empty() ? db.head.firstComponent.number - 1
                                                       : db.components.back().line.number,
                        "end of file in the component-species section");
        const ComponentLine& c = db.components[static_cast<std::size_t>(number - 1)];
        const int position = reading.run.map.position(number);
        if (position != 0) {
            if (!c.readable)
                fileFailure(db.name, c.line.number,
                            "unreadable component-species line (charge, size, formula weight or "
                            "alkalinity factor)");
            Species& s = reading.sp[position];
            s.name = c.name;
            s.charge = c.charge;
            s.size = c.size;
            s.formulaWeight = c.formulaWeight;
            s.alkFactor = c.alkFactor;
        } else if (c.blankMark) {
            checkComponentsInSection(reading, db, number, c.line.number);
            return {c.nextOffset, c.line.number + 1};
        }
    }
    const ComponentLine& last = db.components.back();
    return {last.nextOffset, last.line.number + 1};
}

void checkChargeBalanceIon(SpeciesReading& reading) {
    static const Layout message(
        "(///5X,'SELECTED CHARGE BALANCE ION ',A12,' IS UNCHARGED !'/5X,'SELECT A PROPER ION (C) '///)");
    if (reading.chargeBalancePosition == 0) return;  // none: refused where a run would balance charges
    const Species& ion = reading.sp[reading.chargeBalancePosition];
    if (ion.charge != 0.0) return;
    writeEach({&reading.run.io.listing, &reading.run.io.console}, message, {ion.name.view()});
    stop(ExitStatus::error, "the charge-balance species " + std::string(ion.name.trimmed()) + " is uncharged");
}

// The usual aqueous section of the database, or, when this run's component
// section ended elsewhere, one read for this run.
RunSection sectionFrom(const ParsedDatabase& db, LineAt start) {
    RunSection section;
    section.database = &db;
    if (db.aqueous && db.aqueous->start == start) {
        section.aqueous = &*db.aqueous;
    } else {
        section.own = std::make_shared<const AqueousSection>(parseAqueousSection(db, start));
        section.aqueous = section.own.get();
    }
    return section;
}

Code4 suppressionFor(const SpeciesReading& reading, const AqueousRecord& r) {
    for (std::size_t k = 0; k < reading.slowRedoxCount; ++k)
        if (r.name.equals(reading.slowRedox[k])) return Code4(SLOW_REDOX_CODE);
    return r.suppression;
}

[[noreturn]] void tooManyTerms(SpeciesReading& reading, const Species& s, long long itot) {
    static const Layout message(
        "(/5X,'SPECIES ',A12,' IN LOGKDATA HAS TOO MANY COMPONENTS'"
        "/5X,'ITOT FOR THAT SPECIES IS ',I3,' ; MAXIMUM IS ',I3//)");
    reading.run.io.listing.write(message, {s.name.view(), itot, MAX_TERMS});
    stop(ExitStatus::error, reading.db.name + ": species " + std::string(s.name.trimmed()) + " has more than " +
                                std::to_string(MAX_TERMS) + " terms");
}

// The name line of a record (the end record's too) into its position.
void takeNameLine(const AqueousRecord& r, Species& s) {
    s.name = r.name;
    s.rangeCode = r.rangeCode;
    s.dataRange = r.dataRange;
}

// The record's lines into position p, in their order, stopping where the
// reading of the file failed; readAqueousSpecies brings its log K to the
// run's conditions afterwards, only when it is needed.
void takeRecord(SpeciesReading& reading, const AqueousRecord& r, Species& s) {
    using Fault = AqueousRecord::Fault;
    if (r.fault == Fault::properties) speciesReadError(reading, s);
    s.charge = r.charge;
    s.size = r.size;
    s.alkFactor = r.alkFactor;
    if (r.fault == Fault::reaction) speciesReadError(reading, s);
    if (r.fault == Fault::tooManyTerms) tooManyTerms(reading, s, r.itot);
    if (r.fault == Fault::term) speciesReadError(reading, s);
    // The numbers are mapped to run positions only when the species is selected.
    s.itot = r.itot < 0 ? 0 : static_cast<int>(r.itot);
    for (int j = 1; j <= s.itot; ++j) {
        s.coef[j] = r.coef[static_cast<std::size_t>(j - 1)];
        s.comp[j] = r.number[static_cast<std::size_t>(j - 1)];
    }
    if (r.fault == Fault::table)
        tableReadError(reading, r.table.full ? "  Reading ZZILCH error, logkdata line: " : "  Reading ZILCH error, logkdata line: ",
                       r.table);
}

// A run whose console, listing and skip list all go nowhere (a batch's water)
// drops a well-read record whose reaction leaves the run's components without
// a word, whatever its data: it is passed over without being taken into the
// table or its log K brought to the run's conditions. (A record that cannot
// be read still stops the run where it stands.)
bool silentRun(const SpeciesReading& reading) { return reading.run.io.saysNothing(); }

// Replaces the database numbers of the reaction by run positions; false when
// one of them is not a component of the run. Without O2,aq among the
// components, the coefficients of HS- and SO4-- are kept for the sulfide and
// sulfate totals of the listing.
bool mapReaction(const SpeciesReading& reading, Species& s) {
    const bool trackSulfur = reading.run.map.position(db::OXYGEN) == 0;
    s.redoxHS = 0.0;
    s.redoxSO4 = 0.0;
    for (int j = 1; j <= s.itot; ++j) {
        const int number = s.comp[j];
        const int position = reading.run.map.position(number);
        if (position == 0) return false;
        if (trackSulfur && number == db::SULFIDE) s.redoxHS = s.coef[j];
        if (trackSulfur && number == db::SULFATE) s.redoxSO4 = s.coef[j];
        s.comp[j] = position;
    }
    // A species that holds both sulfur states belongs to neither total.
    if (s.redoxHS != 0.0 && s.redoxSO4 != 0.0) {
        s.redoxHS = 0.0;
        s.redoxSO4 = 0.0;
    }
    return true;
}

// The run's own choices (a user's suppression, an element kept decoupled from
// the redox state), before the reaction is mapped to run positions.
bool leftOutByRun(SpeciesReading& reading, const Species& s) {
    static const Layout byUser("(2X,A12,' is SUPPRESSED in this run by the user')");
    static const Layout decoupled("(2X,A12,' left out: ',A,' is kept decoupled from the redox state')");
    const RunLeaveOut* leaveOut = reading.run.leaveOut;
    if (!leaveOut) return false;
    const std::string_view name = s.name.view();
    Channels& io = reading.run.io;
    if (leaveOut->isSuppressed(s.name.trimmed())) {
        writeEach({&io.console, &io.listing, &io.skip}, byUser, {name});
        return true;
    }
    int numbers[MAX_TERMS];
    for (int j = 1; j <= s.itot; ++j) numbers[j - 1] = s.comp[j];
    const std::string element = leaveOut->tiedElement(numbers, s.itot);
    if (element.empty()) return false;
    writeEach({&io.console, &io.listing, &io.skip}, decoupled, {name, std::string_view(element)});
    return true;
}

// The selection rules, in their order; a dropped species reports why (except
// for a component missing from the run, which is the user's choice).
bool selectSpecies(SpeciesReading& reading, Species& s, const Code4& suppression, bool extended) {
    static const Layout saturationOnly("(2X,A12,' skipped.  Data limited to L-V saturation')");
    static const Layout absent(
        "(2X,A12,' skipped. Log K data absent at given T.',' Max extrapolation is 50 \xB0" "C.')");
    static const Layout slowRedox(
        "(2X,A12,' is SUPPRESSED in this run to ','accomodate slow redox kinetics.')");
    static const Layout suppressed("(2X,A12,' is SUPPRESSED in the LOGKDATA database')");
    const std::string_view name = s.name.view();
    if (extended && s.rangeCode.equals("L-V ")) {
        reading.run.io.skip.write(saturationOnly, {name});
        return false;
    }
    if (isAbsent(s.logK)) {
        writeEach({&reading.run.io.console, &reading.run.io.skip}, absent, {name});
        return false;
    }
    if (suppression.equals(SLOW_REDOX_CODE)) {
        writeEach({&reading.run.io.console, &reading.run.io.listing, &reading.run.io.skip}, slowRedox, {name});
        return false;
    }
    if (!suppression.isBlank()) {
        writeEach({&reading.run.io.console, &reading.run.io.listing, &reading.run.io.skip}, suppressed, {name});
        return false;
    }
    if (leftOutByRun(reading, s)) return false;
    return mapReaction(reading, s);
}

// A species kept at a temperature its data do not reach says so in the skip
// list (a database without the tag in its comments gives no such line).
void noteUseBeyondData(SpeciesReading& reading, const Species& s, double temperature) {
    static const Layout beyond("(2X,A12,' used beyond its data (',A,'): log K extrapolated')");
    if (!reading.run.io.skip.isOpen() || !usedBeyondData(s.dataRange, temperature)) return;
    reading.run.io.skip.write(beyond, {s.name.view(), std::string_view(dataRangeText(s.dataRange))});
}

// Every record, the end record included, is read into the next free position,
// so with a limit of L positions at most L - 1 can be kept: taking position L
// stops the run.
[[noreturn]] void tooManySpecies(SpeciesReading& reading) {
    static const Layout message(
        "(/5X,'NUMBER OF SPECIES READ IN LOGKDATA EXCEEDS MAXIMUM',' OF ',I3"
        "/5X,'LAST NAME READ IS:  ',A12,' (NS=',I3,')'//)");
    const int last = reading.maxPositions;
    reading.run.io.listing.write(message, {last, reading.sp[last].name.view(), last});
    stop(ExitStatus::error, reading.db.name + ": more than " + std::to_string(last - 1) + " aqueous species");
}

// The log K of record k of the section at the run's conditions: the value
// worked out beforehand when there is one, else interpolated now.
double recordLogK(const SpeciesReading& reading, const AqueousSection& section, std::size_t k,
                  TableInterpolator& tables) {
    const LogKValues* values = reading.run.values;
    if (values && reading.db.aqueous && &section == &*reading.db.aqueous)
        if (const double* logK = values->aqueousLogK(k)) return *logK;
    return tables.value(section.records[k].table);
}

void readAqueousSpecies(SpeciesReading& reading, const ParsedDatabase& db, const AqueousSection& section,
                        TableInterpolator& tables) {
    // Only a kept "CO2,aq" may be named: a dropped one's position is taken by
    // the next species kept, and a position from an earlier run may now hold
    // another species. So the position starts at 0 in every run.
    reading.sp.co2Position = 0;
    const bool extended = tables.conditions().extended;
    const bool silent = silentRun(reading);
    const ComponentNumbers inRun = reading.run.map.numbers();
    int p = reading.componentCount + 1;
    for (std::size_t k = 0; k < section.records.size(); ++k) {
        const AqueousRecord& r = section.records[k];
        if (silent && !inRun.hold(r.numbers) && !r.isEnd() && r.fault == AqueousRecord::Fault::none) continue;
        reading.sp.at.growTo(p);
        Species& s = reading.sp[p];
        takeNameLine(r, s);
        if (r.isEnd()) {
            reading.sp.count = p - 1;
            if (reading.recording) reading.recording->speciesEnd = static_cast<std::uint32_t>(k);
            return;
        }
        const Code4 suppression = suppressionFor(reading, r);
        takeRecord(reading, r, s);
        s.logK = recordLogK(reading, section, k, tables);
        if (!selectSpecies(reading, s, suppression, extended)) continue;
        if (reading.recording) reading.recording->species.push_back(static_cast<std::uint32_t>(k));
        if (s.name.equals("CO2,aq")) reading.sp.co2Position = p;
        noteUseBeyondData(reading, s, tables.conditions().temperature);
        if (++p > reading.maxPositions) tooManySpecies(reading);
    }
    fileFailure(db.name, section.endOfFileLine,
                "end of file in the aqueous species: the end record (a name line with blank columns 1-20) is "
                "missing");
}

// The records of the plan into the slots the reading gave them: what the
// reading writes of a kept record, with its log K at the run's conditions.
void takePlannedSpecies(SpeciesReading& reading, const AqueousSection& section, const ReadingPlan& plan) {
    reading.sp.co2Position = 0;
    int p = reading.componentCount + 1;
    for (const std::uint32_t k : plan.species) {
        const AqueousRecord& r = section.records[k];
        reading.sp.at.growTo(p);
        Species& s = reading.sp[p];
        takeNameLine(r, s);
        takeRecord(reading, r, s);
        s.logK = *reading.run.values->aqueousLogK(k);
        mapReaction(reading, s);
        if (s.name.equals("CO2,aq")) reading.sp.co2Position = p;
        ++p;
    }
    reading.sp.at.growTo(p);
    takeNameLine(section.records[plan.speciesEnd], reading.sp[p]);
    reading.sp.count = p - 1;
}

// Per entry: its log K absent at the values' conditions.
void absentOf(const std::vector<double>& logK, std::vector<char>& absent) {
    absent.resize(logK.size());
    for (std::size_t k = 0; k < logK.size(); ++k) absent[k] = isAbsent(logK[k]) ? 1 : 0;
}

// The key of a run that may take or make a plan; false for one that may not
// (it says something, or has no log K worked out beforehand).
bool readingKeyOf(const DatabaseRun& run, int componentCount, int chargeBalancePosition, int maxPositions,
                  ReadingKey& key) {
    const LogKValues* values = run.values;
    if (!values || !run.io.saysNothing() || values->database != run.database.get() || !values->selection) return false;
    key.database = run.database;
    key.selection = values->selection;
    key.extended = run.at.extended;
    key.componentCount = componentCount;
    key.chargeBalancePosition = chargeBalancePosition;
    key.maxPositions = maxPositions;
    key.positionOf = run.map.positionOf;
    key.numberAt = Table<int, MAX_COMPONENTS>{};
    for (int position = 1; position <= std::min(componentCount, MAX_COMPONENTS); ++position)
        key.numberAt[position] = run.map.numberAt[position];
    key.suppressed.clear();
    key.decoupled.clear();
    if (run.leaveOut) {
        key.suppressed = run.leaveOut->suppressed;
        for (const RunLeaveOut::Decoupled& d : run.leaveOut->decoupled) key.decoupled.emplace_back(d.number, d.element);
    }
    absentOf(values->aqueous, key.aqueousAbsent);
    absentOf(values->minerals, key.mineralAbsent);
    return true;
}

// Whether the run takes the plan (true), makes it afresh, or has none.
bool takesPlan(const DatabaseRun& run, int componentCount, int chargeBalancePosition, int maxPositions,
               SpeciesReading& reading) {
    ReadingPlan* plan = run.plan;
    if (!plan) return false;
    plan->current = readingKeyOf(run, componentCount, chargeBalancePosition, maxPositions, plan->asked);
    if (!plan->current) return false;
    if (plan->speciesReady && plan->asked == plan->key) return true;
    std::swap(plan->key, plan->asked);
    plan->speciesReady = false;
    plan->mineralsReady = false;
    plan->species.clear();
    reading.recording = plan;
    return false;
}

}  // namespace

bool RunLeaveOut::isSuppressed(std::string_view name) const {
    for (const std::string& n : suppressed)
        if (n == name) return true;
    return false;
}

std::string RunLeaveOut::tiedElement(const int* numbers, int count) const {
    bool onOxygen = false;
    for (int j = 0; j < count; ++j) onOxygen = onOxygen || numbers[j] == db::OXYGEN;
    if (!onOxygen) return {};
    for (int j = 0; j < count; ++j)
        for (const Decoupled& d : decoupled)
            if (numbers[j] == d.number) return d.element;
    return {};
}

AqueousReading readDatabase(const DatabaseRun& run, int componentCount, int chargeBalancePosition, SpeciesTable& sp,
                            int maxPositions) {
    if (!run.database) throw InternalError{"the database is read before it was loaded"};
    if (maxPositions <= componentCount) throw InternalError{"no position for the species after the components"};
    const ParsedDatabase& db = *run.database;
    sp.at.growTo(componentCount);
    SpeciesReading reading{run, db, componentCount, chargeBalancePosition, sp, maxPositions};
    findSlowRedoxSpecies(reading);
    const bool planned = takesPlan(run, componentCount, chargeBalancePosition, maxPositions, reading);
    replayHead(reading, db);
    AqueousReading result;
    result.activityTables = run.values ? run.values->activityTables : activityTablesAt(db, run.at);
    const LineAt aqueousStart = readComponentSpecies(reading, db);
    checkChargeBalanceIon(reading);
    result.section = sectionFrom(db, aqueousStart);
    // A plan is made and taken on the usual section only.
    const bool usualSection = !result.section.own;
    if (planned && usualSection) {
        takePlannedSpecies(reading, *result.section.aqueous, *run.plan);
        return result;
    }
    TableInterpolator tables(*db.image, result.section.aqueous->groups, run.at);
    readAqueousSpecies(reading, db, *result.section.aqueous, tables);
    if (reading.recording) {
        // A plan takes every log K from the run's values.
        const std::vector<std::uint32_t>& kept = reading.recording->species;
        reading.recording->speciesReady =
            usualSection && std::all_of(kept.begin(), kept.end(), [&](std::uint32_t k) { return run.values->aqueousLogK(k); });
    }
    return result;
}

}  // namespace wq
