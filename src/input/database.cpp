#include "input/database.hpp"

#include <initializer_list>
#include <string>
#include <string_view>

#include "grid/grid.hpp"
#include "input/logk_table.hpp"
#include "text/failure.hpp"
#include "text/fields.hpp"
#include "input/input_state.hpp"
#include "text/stop.hpp"
#include "input/db_numbers.hpp"
#include "grid/units.hpp"

namespace wq {

namespace {

// Markers of the file's layout (columns 1-8).
constexpr std::string_view TABLES_MARK = "********";
constexpr std::string_view FIRST_COMPONENT = "H+      ";
// Lines 1..70 of the component-species section are database numbers 1..70;
// the blank line that ends the section is at the latest line 71.
constexpr int COMPONENT_SECTION_LINES = MAX_COMPONENTS + 1;
constexpr int ACTIVITY_TABLES = 4;  // A, B, b_eta, b_NaCl
constexpr int LABEL_LINES = 2;

// Database numbers with a fixed meaning.

// The activity-model tables (Helgeson, Kirkham and Flowers 1981) hold b_eta
// scaled by 1000, and the B-dot model uses it divided by 2.303 RT, with
// R ln 10 = 4.575673886150001 cal/(mol K); b_Na+Cl- is tabulated x 100.
constexpr double R_LN10 = 4.575673886150001;
constexpr double B_ETA_SCALE = 0.001;
constexpr double B_NACL_SCALE = 0.01;

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

bool isBlankText(std::string_view s) { return s.find_first_not_of(' ') == std::string_view::npos; }

// Everything one reading of the aqueous part shares.
struct DatabaseReader {
    InputState& prog;
    TextFile& file;
    LogKTableReader tables;

    explicit DatabaseReader(InputState& p)
        : prog(p), file(p.database), tables(p.database, LogKConditions::of(p)) {}
};

void toConsoleListingSkip(InputState& prog, const Layout& layout, std::initializer_list<Value> values) {
    prog.io.console.write(layout, values);
    prog.io.listing.write(layout, values);
    prog.io.skip.write(layout, values);
}

// The read-failure messages are free-format writes: the run-time's leading
// blank, then the values at their full length.

// Columns 1-8 of the last line read from the file, or blanks when the failing
// search had not read any line yet.
[[noreturn]] void labelReadError(DatabaseReader& r, bool anyLineRead) {
    static const Layout message("(1X,A,A8)");
    std::string_view last;
    if (anyLineRead) {
        r.file.stepBack();
        r.file.next(last);
    }
    r.prog.io.console.write(message, {"  Reading dum error, logkdata line: ", columns(last, 1, 8)});
    fileFailure(r.file, "cannot read a label line");
}

// After the text, the number of the line that could not be read, so that the
// user can find it; at the end of the file, the number of the missing line.
[[noreturn]] void tableReadError(DatabaseReader& r, std::string_view text, TableRead status) {
    static const Layout message("(1X,A,A)");
    std::string where = status == TableRead::endOfFile
                            ? std::to_string(r.file.lineNumber() + 1) + " (end of file)"
                            : std::to_string(r.file.lineNumber());
    r.prog.io.console.write(message, {text, where});
    stop(ExitStatus::error, r.file.name() + ", line " + where + ": cannot read a log K table");
}

[[noreturn]] void speciesReadError(DatabaseReader& r, const Species& s) {
    static const Layout message("(1X,A,A)");
    r.prog.io.console.write(message, {"  Bombed on reading species: ", s.name.view()});
    fileFailure(r.file, "cannot read species " + std::string(s.name.trimmed()));
}

void findTablesMark(DatabaseReader& r) {
    std::string_view line;
    do {
        if (!r.file.next(line))
            fileFailure(r.file, "end of file before the \"********\" line that ends the preamble");
    } while (columns(line, 1, 8) != TABLES_MARK);
}

void skipLabelLines(DatabaseReader& r) {
    std::string_view line;
    for (int k = 0; k < LABEL_LINES; ++k)
        if (!r.file.next(line)) labelReadError(r, true);
}

void readActivityModel(DatabaseReader& r) {
    double value[ACTIVITY_TABLES];
    for (double& v : value) {
        skipLabelLines(r);
        TableRead status = r.tables.readFull(v);
        if (status != TableRead::ok) tableReadError(r, "  Reading ZILCH error, logkdata line: ", status);
    }
    ActivityTables& am = r.prog.activityTables;
    const double kelvin = r.prog.conditions.temperature + KELVIN_OFFSET;
    am.debyeA = value[0];
    am.debyeB = value[1];
    am.bEta = value[2] * B_ETA_SCALE / (R_LN10 * kelvin);
    am.bNaCl = value[3] * B_NACL_SCALE;
}

// Leaves the "H+" line to be read next.
void findFirstComponent(DatabaseReader& r) {
    std::string_view line;
    bool anyLineRead = false;
    do {
        if (!r.file.next(line)) labelReadError(r, anyLineRead);
        anyLineRead = true;
    } while (FixedText<8>(columns(line, 1, 8)).view() != FIRST_COMPONENT);
    r.file.stepBack();
}

void readComponentLine(DatabaseReader& r, std::string_view line, Species& s) {
    s.name.assign(columns(line, 1, 20));
    if (!readRealField(line, 21, 2, 0, s.charge) || !readRealField(line, 29, 3, 2, s.size) ||
        !readRealField(line, 40, 8, 4, s.formulaWeight) || !readRealField(line, 48, 8, 4, s.alkFactor))
        fileFailure(r.file,
                    "unreadable component-species line (charge, size, formula weight or "
                    "alkalinity factor)");
}

// The section ends at the blank line of database number `end`; a component
// of the run with that number or a higher one has no line in the database,
// and reading on would take species records for component lines.
void checkComponentsInSection(DatabaseReader& r, int end) {
    for (int position = 1; position <= r.prog.comp.count; ++position) {
        const int number = r.prog.map.numberAt[position];
        if (number >= end)
            fileFailure(r.file, "database number " + std::to_string(number) +
                                    " is a component of the run, but the component-species section "
                                    "ends at this line");
    }
}

// Line k of the section belongs to database number k. Only the run's
// components are read; the molality and activity coefficient of their
// positions carry over from run to run and are not touched.
void readComponentSpecies(DatabaseReader& r) {
    std::string_view line;
    for (int number = 1; number <= COMPONENT_SECTION_LINES; ++number) {
        if (!r.file.next(line)) fileFailure(r.file, "end of file in the component-species section");
        if (isBlankText(columns(line, 1, 8))) {
            checkComponentsInSection(r, number);
            return;
        }
        const int position = r.prog.map.position(number);
        if (position != 0) readComponentLine(r, line, r.prog.sp[position]);
    }
    fileFailure(r.file, "the component-species section has no blank end line within its " +
                            std::to_string(COMPONENT_SECTION_LINES) + " lines");
}

void checkChargeBalanceIon(DatabaseReader& r) {
    static const Layout message(
        "(///5X,'SELECTED CHARGE BALANCE ION ',A12,' IS UNCHARGED !'/5X,'SELECT A PROPER ION (C) '///)");
    if (r.prog.input.chargeBalancePosition == 0) return;  // none: refused where a run would balance charges
    const Species& ion = r.prog.sp[r.prog.input.chargeBalancePosition];
    if (ion.charge != 0.0) return;
    r.prog.io.listing.write(message, {ion.name.view()});
    r.prog.io.console.write(message, {ion.name.view()});
    stop(ExitStatus::error, "the charge-balance species " + std::string(ion.name.trimmed()) + " is uncharged");
}

// Separator and name line. False at the end of the file: the section has no
// end record.
bool readNameLine(DatabaseReader& r, Species& s, Code4& suppression) {
    std::string_view line;
    if (!r.file.next(line) || !r.file.next(line)) return false;
    s.name.assign(columns(line, 1, 20));
    suppression.assign(columns(line, 81, 4));
    s.rangeCode.assign(columns(line, 91, 4));
    return true;
}

void applySlowRedoxSuppression(const InputState& prog, const Species& s, Code4& suppression) {
    for (const SlowRedoxSpecies& slow : SLOW_REDOX_SPECIES)
        if (s.name.equals(slow.name) && prog.map.position(slow.number) != 0) suppression.assign(SLOW_REDOX_CODE);
}

void readProperties(DatabaseReader& r, Species& s) {
    std::string_view line;
    if (!r.file.next(line) || !readRealField(line, 9, 3, 0, s.charge) ||
        !readRealField(line, 27, 5, 2, s.size) || !readRealField(line, 42, 6, 3, s.alkFactor))
        speciesReadError(r, s);
}

[[noreturn]] void tooManyTerms(DatabaseReader& r, const Species& s, long long itot) {
    static const Layout message(
        "(/5X,'SPECIES ',A12,' IN LOGKDATA HAS TOO MANY COMPONENTS'"
        "/5X,'ITOT FOR THAT SPECIES IS ',I3,' ; MAXIMUM IS ',I3//)");
    r.prog.io.listing.write(message, {s.name.view(), itot, MAX_TERMS});
    fileFailure(r.file, "species " + std::string(s.name.trimmed()) + " has more than " + std::to_string(MAX_TERMS) +
                            " terms");
}

// ITOT in columns 1-2, then ITOT pairs of 12 columns from column 4: the
// coefficient (F10.3) and the database number of the component (I2). The
// numbers are mapped to run positions only when the species is selected.
void readReaction(DatabaseReader& r, Species& s) {
    std::string_view line;
    long long itot = 0;
    if (!r.file.next(line) || !readIntegerField(line, 1, 2, itot)) speciesReadError(r, s);
    if (itot > MAX_TERMS) tooManyTerms(r, s, itot);
    s.itot = itot < 0 ? 0 : static_cast<int>(itot);
    for (int j = 1; j <= s.itot; ++j) {
        const int first = 4 + 12 * (j - 1);
        long long number = 0;
        if (!readRealField(line, first, 10, 3, s.coef[j]) || !readIntegerField(line, first + 10, 2, number))
            speciesReadError(r, s);
        s.comp[j] = static_cast<int>(number);
    }
}

void readSpeciesLogK(DatabaseReader& r, Species& s) {
    const bool full = LogKTableReader::isFullTable(s.rangeCode);
    TableRead status = r.tables.read(s.rangeCode, s.logK);
    if (status == TableRead::ok) return;
    tableReadError(r, full ? "  Reading ZZILCH error, logkdata line: " : "  Reading ZILCH error, logkdata line: ",
                   status);
}

// Replaces the database numbers of the reaction by run positions; false when
// one of them is not a component of the run. Without O2,aq among the
// components, the coefficients of HS- and SO4-- are kept for the sulfide and
// sulfate totals of the listing.
bool mapReaction(const InputState& prog, Species& s) {
    const bool trackSulfur = prog.map.position(db::OXYGEN) == 0;
    s.redoxHS = 0.0;
    s.redoxSO4 = 0.0;
    for (int j = 1; j <= s.itot; ++j) {
        const int number = s.comp[j];
        const int position = prog.map.position(number);
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

// The selection rules, in their order; a dropped species reports why (except
// for a component missing from the run, which is the user's choice).
bool selectSpecies(DatabaseReader& r, Species& s, const Code4& suppression) {
    static const Layout saturationOnly("(2X,A12,' skipped.  Data limited to L-V saturation')");
    static const Layout absent(
        "(2X,A12,' skipped. Log K data absent at given T.',' Max extrapolation is 50 \xB0" "C.')");
    static const Layout slowRedox(
        "(2X,A12,' is SUPPRESSED in this run to ','accomodate slow redox kinetics.')");
    static const Layout suppressed("(2X,A12,' is SUPPRESSED in the LOGKDATA database')");
    InputState& prog = r.prog;
    const std::string_view name = s.name.view();
    if (r.tables.conditions().extended && s.rangeCode.equals("L-V ")) {
        prog.io.skip.write(saturationOnly, {name});
        return false;
    }
    if (isAbsent(s.logK)) {
        prog.io.console.write(absent, {name});
        prog.io.skip.write(absent, {name});
        return false;
    }
    if (suppression.equals(SLOW_REDOX_CODE)) {
        toConsoleListingSkip(prog, slowRedox, {name});
        return false;
    }
    if (!suppression.isBlank()) {
        toConsoleListingSkip(prog, suppressed, {name});
        return false;
    }
    return mapReaction(prog, s);
}

// Every record, the end record included, is read into the next free position,
// so at most 599 positions can be kept: taking position 600 stops the run.
[[noreturn]] void tooManySpecies(DatabaseReader& r) {
    static const Layout message(
        "(/5X,'NUMBER OF SPECIES READ IN LOGKDATA EXCEEDS MAXIMUM',' OF ',I3"
        "/5X,'LAST NAME READ IS:  ',A12,' (NS=',I3,')'//)");
    r.prog.io.listing.write(message, {MAX_SPECIES, r.prog.sp[MAX_SPECIES].name.view(), MAX_SPECIES});
    fileFailure(r.file, "more than " + std::to_string(MAX_SPECIES - 1) + " aqueous species");
}

void readAqueousSpecies(DatabaseReader& r) {
    InputState& prog = r.prog;
    // Only a kept "CO2,aq" may be named: a dropped one's position is taken by
    // the next species kept, and a position from an earlier run may now hold
    // another species. So the position starts at 0 in every run.
    prog.sp.co2Position = 0;
    int p = prog.comp.count + 1;
    for (;;) {
        Species& s = prog.sp[p];
        Code4 suppression;
        if (!readNameLine(r, s, suppression))
            fileFailure(r.file,
                        "end of file in the aqueous species: the end record (a name line with blank "
                        "columns 1-20) is missing");
        if (s.name.isBlank()) break;
        applySlowRedoxSuppression(prog, s, suppression);
        readProperties(r, s);
        readReaction(r, s);
        readSpeciesLogK(r, s);
        if (!selectSpecies(r, s, suppression)) continue;
        if (s.name.equals("CO2,aq")) prog.sp.co2Position = p;
        if (++p > MAX_SPECIES) tooManySpecies(r);
    }
    prog.sp.count = p - 1;
}

}  // namespace

void readDatabase(InputState& prog) {
    DatabaseReader reader(prog);
    findTablesMark(reader);
    readActivityModel(reader);
    findFirstComponent(reader);
    readComponentSpecies(reader);
    checkChargeBalanceIon(reader);
    readAqueousSpecies(reader);
}

}  // namespace wq
