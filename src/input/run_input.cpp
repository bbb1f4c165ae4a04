#include "input/run_input.hpp"

#include <climits>
#include <optional>
#include <string>
#include <string_view>

#include "input/water_intake.hpp"
#include "text/channels.hpp"
#include "text/failure.hpp"
#include "text/fields.hpp"
#include "text/stop.hpp"
#include "text/textfile.hpp"

namespace wq {

namespace {

// The file being read, the channels its messages go to, the water its lines
// give and the intake that takes each part of it as it is read.
struct CaseReader {
    TextFile& file;
    Channels& io;
    Water& water;
    WaterIntake& intake;
};

// An unreadable value: show the line on the console, wait for Enter, stop.
// `what` names the group for the error line.
[[noreturn]] void inputReadError(CaseReader& r, std::string_view what) {
    static const Layout header(
        "(/5X,'Error reading wqcase in the following line,',' or the non-blank line above it.'"
        "/8X,'Check if all parameters are present.'/)");
    static const Layout offending("('---> ',A80/)");
    static const Layout pausePrompt("(5X,'Press Enter to end the program.')");
    TextFile& file = r.file;
    file.stepBack();
    r.io.console.write(header, {});
    std::string_view line;
    if (!file.next(line)) line = {};
    r.io.console.write(offending, {line});
    r.io.console.write(pausePrompt, {});
    r.io.input.line();  // the end of input ends the pause at once
    fileFailure(file, "cannot read " + std::string(what));
}

void skipLines(CaseReader& r, int count, std::string_view where) {
    std::string_view line;
    for (int k = 0; k < count; ++k)
        if (!r.file.next(line)) fileFailure(r.file, std::string("end of file ") + std::string(where));
}

void readTitles(CaseReader& r) {
    std::string_view line;
    for (std::string* title : {&r.water.name, &r.water.secondTitle}) {
        if (!r.file.next(line)) fileFailure(r.file, "end of file in the title lines");
        *title = std::string(columns(line, 1, 80));
        r.intake.title(*title);
    }
}

// A value of 0 is none: a pH computed, no alkalinity.
std::optional<double> givenUnlessZero(double v) { return v == 0.0 ? std::nullopt : std::optional<double>(v); }

void readConditions(CaseReader& r) {
    double v[8];
    if (!readFreeReals(r.file, v, 8)) inputReadError(r, "the eight conditions");
    Water& w = r.water;
    RunControls& c = w.controls;
    c.convergence = v[0];
    w.pH = givenUnlessZero(v[1]);
    // The activity comes before the species it fixes: held with none until
    // the option integers name it.
    w.fixedActivity = FixedActivity{0, v[2]};
    w.alkalinity = givenUnlessZero(v[3]);
    w.temperature = v[4];
    c.damping = v[5];
    c.printThreshold = v[6];
    w.pressure = v[7];
    r.intake.conditions(w);
}

// Refinement 0 solves alone, 1 keeps the residual, any other number refines.
Refinement refinementOf(int v) { return v == 0 ? Refinement::none : v == 1 ? Refinement::residual : Refinement::iterative; }

void takeOptions(CaseReader& r, const int (&v)[11]) {
    Water& w = r.water;
    RunControls& c = w.controls;
    w.pressureKind = v[0] == 1 ? PressureKind::given : PressureKind::saturationCurve;
    c.minerals = v[1] != 0;
    c.debug = v[2] != 0;
    w.chargeBalance.when = v[3] != 0 ? ChargeBalance::When::always : ChargeBalance::When::whenTotalsHeld;
    c.loopLimit = v[4];
    w.chargeBalance.species = v[5];
    if (v[6] != 0) w.fixedActivity->species = v[6];
    else w.fixedActivity.reset();
    c.naKCaTemperature = v[7] == 1;
    c.refinement = refinementOf(v[8]);
    c.activityOption = static_cast<ActivityOption>(v[9]);
    c.waterOption = static_cast<WaterOption>(v[10]);
    r.intake.controls(w);
}

void readOptions(CaseReader& r) {
    long long read[11];
    if (!readFreeIntegers(r.file, read, 11)) inputReadError(r, "the eleven option integers");
    int v[11];
    for (int k = 0; k < 11; ++k) {
        if (read[k] < INT_MIN || read[k] > INT_MAX) inputReadError(r, "the eleven option integers");
        v[k] = static_cast<int>(read[k]);
    }
    takeOptions(r, v);
}

bool parseComponentRecord(std::string_view line, long long& number, WaterComponent& c) {
    return readIntegerField(line, 1, 5, number) && readRealField(line, 19, 19, 13, c.total) &&
           readRealField(line, 38, 19, 13, c.startMolality) && readRealField(line, 57, 19, 13, c.startGamma);
}

void readComponents(CaseReader& r) {
    std::string_view line;
    for (int position = 1; position <= MAX_COMPONENTS; ++position) {
        long long number = 0;
        WaterComponent c;
        if (!r.file.next(line) || !parseComponentRecord(line, number, c)) inputReadError(r, "a component record");
        if (number == 0) return;
        c.number = static_cast<int>(number);  // five columns
        r.water.components.push_back(c);
        r.intake.component(c);
    }
    long long number = 0;
    if (!r.file.next(line)) fileFailure(r.file, "end of file after the 70th component");
    if (!readIntegerField(line, 1, 5, number)) fileFailure(r.file, "unreadable component number after the 70th component");
    if (number != 0) r.intake.tooManyComponents();
}

// A record that cannot be read ends the list, as a blank name does; the user
// is told which line it was, since every mineral after it is dropped too.
void forcedListEndsAt(CaseReader& r, std::string_view line) {
    static const Layout message(
        "(/5X,'WARNING! LINE ',I5,' OF WQCASE CANNOT BE READ AS A FORCED MINERAL:'/'---> ',A80"
        "/5X,'THE FORCED-MINERAL LIST ENDS BEFORE IT, WITH ',I2,' MINERALS.'/)");
    writeEach({&r.io.console, &r.io.listing}, message, {r.file.lineNumber(), line, r.intake.forcedCount()});
}

void readForcedMinerals(CaseReader& r) {
    std::string_view line;
    if (!r.file.next(line)) return;
    for (int k = 1; k <= MAX_FORCED; ++k) {
        if (!r.file.next(line)) return;
        ForcedPhase f;
        f.mineral = Name20(columns(line, 1, 20));
        if (f.mineral.isBlank()) return;
        long long ieq = 0;
        if (!readIntegerField(line, 23, 4, ieq) || !readRealField(line, 27, 10, 3, f.target)) {
            forcedListEndsAt(r, line);
            return;
        }
        f.component = static_cast<int>(ieq);  // four columns
        r.water.forced.push_back(f);
        r.intake.forced(f);
    }
}

}  // namespace

RunInputRead readRunInput(TextFile& caseFile, Channels& io) {
    RunInputRead read;
    WaterIntake intake(io, &caseFile);
    CaseReader r{caseFile, io, read.water, intake};
    caseFile.rewind();
    readTitles(r);
    skipLines(r, 2, "before the conditions");
    readConditions(r);
    skipLines(r, 3, "before the option integers");
    readOptions(r);
    skipLines(r, 2, "before the component list");
    readComponents(r);
    intake.endComponents();
    readForcedMinerals(r);
    read.input = intake.finish();
    return read;
}

}  // namespace wq
