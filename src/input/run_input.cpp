#include "input/run_input.hpp"

#include <climits>
#include <cmath>
#include <string>
#include <string_view>

#include "input/db_numbers.hpp"
#include "text/channels.hpp"
#include "text/failure.hpp"
#include "text/fields.hpp"
#include "text/stop.hpp"
#include "text/textfile.hpp"

namespace wq {

namespace {

// Corrections of the run input, single-precision constants widened to double.
constexpr double DEFAULT_CONVERGENCE = 9.999999960041972e-13;      // 1.0E-12
constexpr double DEFAULT_START_MOLALITY = 1.000000013351432e-10;   // 1.0E-10
constexpr double CARBONATE_START_MOLALITY = 1.0e-7;

// The file being read (null for a run input given as the values of its
// lines), the channels its messages go to, and what it holds.
struct CaseReader {
    TextFile* file;
    Channels& io;
    CaseInput& out;
};

// A fault of the run input: of a line of its file, or of the values given.
[[noreturn]] void caseFailure(CaseReader& r, std::string_view what) {
    if (r.file) fileFailure(*r.file, what);
    stop(ExitStatus::error, "the run input: " + std::string(what));
}

// An unreadable value: show the line on the console, wait for Enter, stop.
// `what` names the group for the error line.
[[noreturn]] void inputReadError(CaseReader& r, std::string_view what) {
    static const Layout header(
        "(/5X,'Error reading wqcase in the following line,',' or the non-blank line above it.'"
        "/8X,'Check if all parameters are present.'/)");
    static const Layout offending("('---> ',A80/)");
    static const Layout pausePrompt("(5X,'Press Enter to end the program.')");
    TextFile& file = *r.file;
    file.stepBack();
    r.io.console.write(header, {});
    std::string_view line;
    if (!file.next(line)) line = {};
    r.io.console.write(offending, {line});
    r.io.console.write(pausePrompt, {});
    r.io.input.line();  // the end of input ends the pause at once
    fileFailure(file, "cannot read " + std::string(what));
}

// The text of a value that is not finite, as the listing writes it.
std::string_view nonFiniteText(double v) { return std::isnan(v) ? "NaN" : v < 0 ? "-Inf" : "Inf"; }

// A value's name in the listing's message and in the error line.
struct ValueName {
    std::string_view listed;
    std::string_view said;
};

// Not a number nor an infinity has a meaning in any field of the run input.
// A NaN would pass every range test (each comparison is false) and surface
// later as a failed iteration or an empty table.
void requireFinite(CaseReader& r, double value, const ValueName& name) {
    static const Layout message(
        "(//5X,A,' = ',A,' IS NOT A FINITE NUMBER.  CHECK',' WQCASE DATA FILE.'/)");
    if (std::isfinite(value)) return;
    writeEach({&r.io.listing, &r.io.console}, message, {name.listed, nonFiniteText(value)});
    caseFailure(r, "the " + std::string(name.said) + " is not a finite number");
}

void skipLines(CaseReader& r, int count, std::string_view where) {
    std::string_view line;
    for (int k = 0; k < count; ++k)
        if (!r.file->next(line)) fileFailure(*r.file, std::string("end of file ") + std::string(where));
}

// A title line: its first 80 columns, written to the plot file too.
void takeTitle(CaseReader& r, FixedText<80>& title, std::string_view line) {
    static const Layout plotTitle("(A80)");
    title.assign(columns(line, 1, 80));
    r.io.plot.write(plotTitle, {title.view()});
}

void readTitles(CaseReader& r) {
    std::string_view line;
    for (FixedText<80>* t : {&r.out.input.title1, &r.out.input.title2}) {
        if (!r.file->next(line)) fileFailure(*r.file, "end of file in the title lines");
        takeTitle(r, *t, line);
    }
}

void takeConditions(CaseReader& r, const double (&v)[8]) {
    static constexpr ValueName names[8] = {
        {"CONVERGENCE FACTOR", "convergence factor"}, {"PH", "pH"},
        {"FIXED ACTIVITY", "fixed activity"},         {"ALKALINITY", "alkalinity"},
        {"TEMPERATURE", "temperature"},               {"DAMPING FACTOR", "damping factor"},
        {"PRINT THRESHOLD", "print threshold"},       {"PRESSURE", "pressure"}};
    for (int k = 0; k < 8; ++k) requireFinite(r, v[k], names[k]);
    RunInput& in = r.out.input;
    in.convergence = v[0] == 0.0 ? DEFAULT_CONVERGENCE : v[0];
    in.pH = v[1];
    in.fixedActivity = v[2];
    in.alkalinity = v[3];
    in.temperature = v[4];
    in.damping = (v[5] >= 0.0 && v[5] < 1.0) ? v[5] : 0.0;
    in.printThreshold = v[6];
    in.pressure = v[7];
}

void readConditions(CaseReader& r) {
    double v[8];
    if (!readFreeReals(*r.file, v, 8)) inputReadError(r, "the eight conditions");
    takeConditions(r, v);
}

void takeOptions(CaseReader& r, const int (&v)[11]) {
    RunInput& in = r.out.input;
    int* fields[9] = {&in.runKind,   &in.mineralsSwitch,       &in.debug,
                      &in.chargeBalanceSwitch, &in.loopLimit, &in.chargeBalanceSpecies,
                      &in.fixedActivitySpecies, &in.geothermometer, &in.refinement};
    for (int k = 0; k < 9; ++k) *fields[k] = v[k];
    in.activityOption = static_cast<ActivityOption>(v[9]);
    in.waterOption = static_cast<WaterOption>(v[10]);
}

void readOptions(CaseReader& r) {
    long long read[11];
    if (!readFreeIntegers(*r.file, read, 11)) inputReadError(r, "the eleven option integers");
    int v[11];
    for (int k = 0; k < 11; ++k) {
        if (read[k] < INT_MIN || read[k] > INT_MAX) inputReadError(r, "the eleven option integers");
        v[k] = static_cast<int>(read[k]);
    }
    takeOptions(r, v);
}

// The first run takes its conditions and switches from the run input; the
// alkalinity, read per kg of water, is held in equivalents from here on.
RunConditions firstRunConditions(const CaseReader& r) {
    const RunInput& in = r.out.input;
    RunConditions c;
    c.temperature = in.temperature;
    c.pressure = in.pressure;
    c.pH = in.pH;
    c.alkalinity = in.alkalinity * r.out.comp[WATER_SLOT].mtot;
    c.chargeBalanceSwitch = in.chargeBalanceSwitch;
    c.mineralsSwitch = in.mineralsSwitch;
    c.chargeBalanceStartTotal = chargeBalanceTotal(in, r.out.comp);
    return c;
}

// A loop limit below 1 would never end the Newton loop.
void checkLoopLimit(CaseReader& r) {
    static const Layout message(
        "(//5X,'LOOP LIMIT =',I6,' IS NOT POSITIVE.  CHECK WQCASE DATA FILE.'/)");
    if (r.out.input.loopLimit >= 1) return;
    writeEach({&r.io.listing, &r.io.console}, message, {r.out.input.loopLimit});
    stop(ExitStatus::error, "the loop limit " + std::to_string(r.out.input.loopLimit) + " is not positive");
}

void writeNoticesAndBanner(CaseReader& r) {
    static const Layout skipNotice(
        "(/2X,'File SKIP_SPECIES.TXT',' contains a list of species and minerals omitted from'"
        "/5X,'the calculations due to specified T, P and/or option',' switches in WQCASE,'"
        "/5X,'or suppressed in the LOGKDATA database.')");
    static const Layout skipHeader(
        "(/2X,'This file',' contains a list of species and minerals omitted from the'"
        "/5X,'calculations due to specified T, P and/or option',' switches in'"
        "/5X,'WQCASE, or suppressed in the LOGKDATA database.'/)");
    static const Layout extendedBanner(
        "(/2X,'This is an extended P(to 5 kB),',' T(to 600 C) run (l/v-hiP = 1).'/)");
    static const Layout saturationBanner(
        "(/2X,'This run is at the P & T of L/V saturation ','(l/v-hiP not equal to 1).'/)");
    r.io.listing.write(skipNotice, {});
    r.io.skip.write(skipHeader, {});
    writeEach({&r.io.console, &r.io.listing}, r.out.input.extendedRun() ? extendedBanner : saturationBanner, {});
}

[[noreturn]] void tooManyComponents(CaseReader& r) {
    static const Layout message(
        "(//5X,'WARNING! THE NUMBER OF COMPONENTS GIVEN IN WQCASE    EXCEEDS THE'"
        "/5X,'CURRENT ARRAY DIMENSION (',I2,').  CHECK',' WQCASE DATA FILE.'/)");
    writeEach({&r.io.console, &r.io.listing}, message, {MAX_COMPONENTS});
    stop(ExitStatus::error, "more than " + std::to_string(MAX_COMPONENTS) + " components");
}

struct ComponentRecord {
    long long number = 0;
    double total = 0.0;
    double startMolality = 0.0;
    double startGamma = 0.0;
};

bool parseComponentRecord(std::string_view line, ComponentRecord& rec) {
    return readIntegerField(line, 1, 5, rec.number) && readRealField(line, 19, 19, 13, rec.total) &&
           readRealField(line, 38, 19, 13, rec.startMolality) &&
           readRealField(line, 57, 19, 13, rec.startGamma);
}

void storeComponent(CaseReader& r, int position, int number, double total, double molality, double gamma) {
    r.out.comp[position].dbNumber = number;
    r.out.comp[position].mtot = total;
    r.out.startMolality[position] = molality;
    r.out.startGamma[position] = gamma;
    r.out.map.positionOf[number] = position;
    r.out.map.numberAt[position] = number;
}

void checkComponentNumber(CaseReader& r, int position, long long number) {
    static const Layout outOfRange(
        "(//5X,'WARNING! SAQ(',I4,') = ',I4,';  MAXIMUM VALUE',' ALLOWED IS ',I4/)");
    static const Layout givenTwice(
        "(//5X,'WARNING! SAQ(',I4,') = ',I4,' IS ALREADY GIVEN AS SAQ(',I4,').  CHECK',"
        "' WQCASE DATA FILE.'/)");
    if (number < 1 || number > MAX_COMPONENTS) {
        writeEach({&r.io.listing, &r.io.console}, outOfRange, {position, number, MAX_COMPONENTS});
        stop(ExitStatus::error, "component " + std::to_string(position) + " has the number " + std::to_string(number) +
                                    ", outside 1 to " + std::to_string(MAX_COMPONENTS));
    }
    int earlier = r.out.map.position(number);
    if (earlier != 0) {
        writeEach({&r.io.listing, &r.io.console}, givenTwice, {position, number, earlier});
        stop(ExitStatus::error, "components " + std::to_string(earlier) + " and " + std::to_string(position) +
                                    " have the same number " + std::to_string(number));
    }
}

// A component record at `position`: the starting values defaulted, the
// number checked, the charge-balance and fixed-activity positions found.
void takeComponent(CaseReader& r, int position, ComponentRecord rec) {
    RunInput& in = r.out.input;
    if (rec.startMolality <= 0.0) rec.startMolality = DEFAULT_START_MOLALITY;
    if (rec.startGamma <= 0.0 || in.activityOption == ActivityOption::ideal) rec.startGamma = 1.0;
    checkComponentNumber(r, position, rec.number);
    int number = static_cast<int>(rec.number);
    storeComponent(r, position, number, rec.total, rec.startMolality, rec.startGamma);
    if (number == in.chargeBalanceSpecies) in.chargeBalancePosition = position;
    if (number == in.fixedActivitySpecies) in.fixedActivityPosition = position;
}

void readComponents(CaseReader& r) {
    std::string_view line;
    int count = 0;
    for (int position = 1; position <= MAX_COMPONENTS; ++position) {
        ComponentRecord rec;
        if (!r.file->next(line) || !parseComponentRecord(line, rec)) inputReadError(r, "a component record");
        if (rec.number == 0) break;
        takeComponent(r, position, rec);
        count = position;
    }
    if (count == MAX_COMPONENTS) {
        long long number = 0;
        if (!r.file->next(line)) fileFailure(*r.file, "end of file after the 70th component");
        if (!readIntegerField(line, 1, 5, number))
            fileFailure(*r.file, "unreadable component number after the 70th component");
        if (number != 0) tooManyComponents(r);
    }
    r.out.comp.count = count;
    r.out.input.componentRecords = count;
}

void checkRedoxPair(CaseReader& r) {
    static const Layout message(
        "(5X,'ABORT.  COMPOSITION OVERSPECIFIED.  BOTH O2 AND'/5X,'HS- USED SIMULTANEOUSLY.   CHOOSE!')");
    if (r.out.map.position(db::SULFIDE) != 0 && r.out.map.position(db::OXYGEN) != 0) {
        writeEach({&r.io.listing, &r.io.console}, message, {});
        stop(ExitStatus::error, "O2,aq and HS- are both components");
    }
}

// The iteration treats positions 1 and 2 as H+ and water: the pH comes from
// position 1, the water equation and the mass of water from position 2.
// Any other component there would make the run loop to its limit for
// reasons the listing would never show.
void checkHydrogenAndWater(CaseReader& r) {
    static const Layout message(
        "(//5X,'WARNING! COMPONENTS 1 AND 2 MUST BE H+ (SAQ 1) AND H2O (SAQ 2),'"
        "/5X,'IN THIS ORDER; HERE SAQ(   1) = ',I4,' AND SAQ(   2) = ',I4,'.'/5X,'CHECK WQCASE DATA FILE.'/)");
    const int first = r.out.map.numberAt[HYDROGEN_SLOT];
    const int second = r.out.map.numberAt[WATER_SLOT];
    if (first == db::HYDROGEN_ION && second == db::WATER) return;
    writeEach({&r.io.listing, &r.io.console}, message, {first, second});
    stop(ExitStatus::error, "the first two components must be H+ (1) and H2O (2), not " + std::to_string(first) +
                                " and " + std::to_string(second));
}

// The fixed-activity species is named by database number; a number that
// matches no component would otherwise be taken for a component position.
// (The charge-balance species is checked per run: only a run that balances
// charges needs it.)
void checkFixedActivitySpecies(CaseReader& r) {
    static const Layout message(
        "(//5X,'FIXED ACTIVITY SPECIES = ',I4,' IS NOT AMONG THE COMPONENT ',"
        "'SPECIES IN THE WQCASE FILE')");
    RunInput& in = r.out.input;
    if (in.fixedActivitySpecies != 0 && in.fixedActivityPosition == 0) {
        writeEach({&r.io.listing, &r.io.console}, message, {in.fixedActivitySpecies});
        stop(ExitStatus::error,
             "the fixed-activity species " + std::to_string(in.fixedActivitySpecies) + " is not a component");
    }
}

// With an alkalinity and no carbonate component, the carbonate component is
// added; its total follows from the alkalinity.
void appendCarbonate(CaseReader& r) {
    RunInput& in = r.out.input;
    if (r.out.map.position(db::CARBONATE) != 0 || in.alkalinity == 0.0) return;
    if (r.out.comp.count == MAX_COMPONENTS) tooManyComponents(r);
    int position = ++r.out.comp.count;
    storeComponent(r, position, db::CARBONATE, in.alkalinity, CARBONATE_START_MOLALITY, 1.0);
}

// A record that cannot be read ends the list, as a blank name does; the user
// is told which line it was, since every mineral after it is dropped too.
void forcedListEndsAt(CaseReader& r, std::string_view line) {
    static const Layout message(
        "(/5X,'WARNING! LINE ',I5,' OF WQCASE CANNOT BE READ AS A FORCED MINERAL:'/'---> ',A80"
        "/5X,'THE FORCED-MINERAL LIST ENDS BEFORE IT, WITH ',I2,' MINERALS.'/)");
    writeEach({&r.io.console, &r.io.listing}, message, {r.file->lineNumber(), line, r.out.forced.count});
}

// The forced mineral `k`, held by the component of database number `ieq`.
void takeForced(CaseReader& r, int k, const Name20& name, long long ieq, double target) {
    static const Layout ieqRange(
        "(/5X,'IEQ FOR ',A20,' IS NOT CORRECTLY ','SPECIFIED (=',I5,')'/5X,'CHECK INPUT FORMAT')");
    static const Layout ieqNotComponent(
        "(//5X,'IEQ = ',I2,' IS NOT AMONG THE COMPONENT ','SPECIES IN THE WQCASE FILE')");
    if (ieq < 1 || ieq > MAX_COMPONENTS) {
        writeEach({&r.io.listing, &r.io.console}, ieqRange, {name.view(), ieq});
        stop(ExitStatus::error, "forced mineral " + std::string(name.trimmed()) + ": IEQ " + std::to_string(ieq) +
                                    " is outside 1 to " + std::to_string(MAX_COMPONENTS));
    }
    int position = r.out.map.position(ieq);
    if (position == 0) {
        writeEach({&r.io.listing, &r.io.console}, ieqNotComponent, {ieq});
        stop(ExitStatus::error, "forced mineral " + std::string(name.trimmed()) + ": IEQ " + std::to_string(ieq) +
                                    " is not a component");
    }
    ForcedSaturation& entry = r.out.forced[k];
    entry.mineral = name;
    entry.component = position;
    entry.target = target;
    r.out.forced.count = k;
}

void readForcedMinerals(CaseReader& r) {
    std::string_view line;
    r.out.forced.count = 0;
    if (!r.file->next(line)) return;
    for (int k = 1; k <= MAX_FORCED; ++k) {
        if (!r.file->next(line)) return;
        Name20 name(columns(line, 1, 20));
        if (name.isBlank()) return;
        long long ieq = 0;
        double target = 0.0;
        if (!readIntegerField(line, 23, 4, ieq) || !readRealField(line, 27, 10, 3, target)) {
            forcedListEndsAt(r, line);
            return;
        }
        takeForced(r, k, name, ieq, target);
    }
}

// What follows the component list: its checks, the carbonate component of
// an alkalinity, the first run's conditions.
void finishComponents(CaseReader& r) {
    checkHydrogenAndWater(r);
    checkRedoxPair(r);
    checkFixedActivitySpecies(r);
    appendCarbonate(r);
    r.out.startMolality[WATER_SLOT] = 1.0;
    r.out.conditions = firstRunConditions(r);
}

}  // namespace

double chargeBalanceTotal(const RunInput& in, const ComponentTable& comp) {
    const int position = in.chargeBalancePosition;
    return position == 0 ? 0.0 : comp[position].mtot;
}

bool hasFixedTotals(const RunInput& in, const RunConditions& conditions) {
    return conditions.pH != 0.0 || in.fixedActivityPosition != 0 || conditions.alkalinity != 0.0;
}

bool balancesCharge(const RunInput& in, const RunConditions& conditions, const ForcedSaturationList& forced) {
    if (in.asAnalysed) return false;
    return forced.count > 0 || hasFixedTotals(in, conditions) || conditions.chargeBalanceSwitch != 0;
}

void requireChargeBalanceComponent(const RunInput& in, const RunConditions& conditions,
                                   const ForcedSaturationList& forced, Channels& io) {
    static const Layout message(
        "(//5X,'CHARGE BALANCE SPECIES = ',I4,' IS NOT AMONG THE COMPONENT ',"
        "'SPECIES IN THE WQCASE FILE')");
    if (in.chargeBalancePosition != 0 || !balancesCharge(in, conditions, forced)) return;
    writeEach({&io.listing, &io.console}, message, {in.chargeBalanceSpecies});
    stop(ExitStatus::error,
         "the charge-balance species " + std::to_string(in.chargeBalanceSpecies) + " is not a component");
}

CaseInput readRunInput(TextFile& caseFile, Channels& io) {
    CaseInput out;
    CaseReader r{&caseFile, io, out};
    caseFile.rewind();
    readTitles(r);
    skipLines(r, 2, "before the conditions");
    readConditions(r);
    skipLines(r, 3, "before the option integers");
    readOptions(r);
    checkLoopLimit(r);
    writeNoticesAndBanner(r);
    skipLines(r, 2, "before the component list");
    readComponents(r);
    finishComponents(r);
    readForcedMinerals(r);
    requireChargeBalanceComponent(out.input, out.conditions, out.forced, io);
    return out;
}

CaseInput runInputOfLines(const RunInputLines& lines, Channels& io) {
    CaseInput out;
    CaseReader r{nullptr, io, out};
    takeTitle(r, out.input.title1, lines.title1);
    takeTitle(r, out.input.title2, lines.title2);
    takeConditions(r, lines.conditions);
    takeOptions(r, lines.options);
    checkLoopLimit(r);
    writeNoticesAndBanner(r);
    if (lines.components.size() > static_cast<std::size_t>(MAX_COMPONENTS)) tooManyComponents(r);
    int position = 0;
    for (const RunInputLines::Component& c : lines.components)
        takeComponent(r, ++position, {c.number, c.total, c.startMolality, c.startGamma});
    out.comp.count = out.input.componentRecords = position;
    finishComponents(r);
    out.forced.count = 0;
    int k = 0;
    for (const RunInputLines::Forced& f : lines.forced) {
        if (++k > MAX_FORCED || f.mineral.isBlank()) break;
        takeForced(r, k, f.mineral, f.component, f.target);
    }
    requireChargeBalanceComponent(out.input, out.conditions, out.forced, io);
    return out;
}

}  // namespace wq
