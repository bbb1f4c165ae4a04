#include "input/water_intake.hpp"

#include <cmath>
#include <cstddef>
#include <string>

#include "input/db_numbers.hpp"
#include "text/channels.hpp"
#include "text/failure.hpp"
#include "text/fields.hpp"
#include "text/stop.hpp"
#include "text/textfile.hpp"

namespace wq {

namespace {

// Corrections of the run input, single-precision constants widened to double.
constexpr double DEFAULT_CONVERGENCE = 9.999999960041972e-13;     // 1.0E-12
constexpr double DEFAULT_START_MOLALITY = 1.000000013351432e-10;  // 1.0E-10
constexpr double CARBONATE_START_MOLALITY = 1.0e-7;

// The text of a value that is not finite, as the listing writes it.
std::string_view nonFiniteText(double v) { return std::isnan(v) ? "NaN" : v < 0 ? "-Inf" : "Inf"; }

// The option integers of the run input, as the solver reads them.
int switchValue(bool on) { return on ? 1 : 0; }

}  // namespace

// A fault of the run input: of a line of its file, or of the values given.
void WaterIntake::failure(std::string_view what) {
    if (file_) fileFailure(*file_, what);
    stop(ExitStatus::error, "the run input: " + std::string(what));
}

// Not a number nor an infinity has a meaning in any field of the run input.
// A NaN would pass every range test (each comparison is false) and surface
// later as a failed iteration or an empty table.
void WaterIntake::requireFinite(double value, std::string_view listed, std::string_view said) {
    static const Layout message(
        "(//5X,A,' = ',A,' IS NOT A FINITE NUMBER.  CHECK',' WQCASE DATA FILE.'/)");
    if (std::isfinite(value)) return;
    writeEach({&io_.listing, &io_.console}, message, {listed, nonFiniteText(value)});
    failure("the " + std::string(said) + " is not a finite number");
}

void WaterIntake::title(std::string_view text) {
    static const Layout plotTitle("(A80)");
    FixedText<80>& title = ++titles_ == 1 ? out_.input.title1 : out_.input.title2;
    title.assign(columns(text, 1, 80));
    io_.plot.write(plotTitle, {title.view()});
}

// In the order of their line in the file.
void WaterIntake::conditions(const Water& w) {
    const RunControls& c = w.controls;
    const double fixedActivity = w.fixedActivity ? w.fixedActivity->activity : 0.0;
    requireFinite(c.convergence, "CONVERGENCE FACTOR", "convergence factor");
    requireFinite(w.pH.value_or(0.0), "PH", "pH");
    requireFinite(fixedActivity, "FIXED ACTIVITY", "fixed activity");
    requireFinite(w.alkalinity.value_or(0.0), "ALKALINITY", "alkalinity");
    requireFinite(w.temperature, "TEMPERATURE", "temperature");
    requireFinite(c.damping, "DAMPING FACTOR", "damping factor");
    requireFinite(c.printThreshold, "PRINT THRESHOLD", "print threshold");
    requireFinite(w.pressure, "PRESSURE", "pressure");
    RunInput& in = out_.input;
    in.convergence = c.convergence == 0.0 ? DEFAULT_CONVERGENCE : c.convergence;
    in.pH = w.pH.value_or(0.0);
    in.fixedActivity = fixedActivity;
    in.alkalinity = w.alkalinity.value_or(0.0);
    in.temperature = w.temperature;
    in.damping = (c.damping >= 0.0 && c.damping < 1.0) ? c.damping : 0.0;
    in.printThreshold = c.printThreshold;
    in.pressure = w.pressure;
}

void WaterIntake::controls(const Water& w) {
    static const Layout loopLimit(
        "(//5X,'LOOP LIMIT =',I6,' IS NOT POSITIVE.  CHECK WQCASE DATA FILE.'/)");
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
    const RunControls& c = w.controls;
    RunInput& in = out_.input;
    in.runKind = switchValue(w.pressureKind == PressureKind::given);
    in.mineralsSwitch = switchValue(c.minerals);
    in.debug = switchValue(c.debug);
    in.chargeBalanceSwitch = switchValue(w.chargeBalance.when == ChargeBalance::When::always);
    in.asAnalysed = w.chargeBalance.when == ChargeBalance::When::never;
    in.loopLimit = c.loopLimit;
    in.chargeBalanceSpecies = w.chargeBalance.species;
    in.fixedActivitySpecies = w.fixedActivity ? w.fixedActivity->species : 0;
    in.geothermometer = switchValue(c.naKCaTemperature);
    in.refinement = static_cast<int>(c.refinement);
    in.activityOption = c.activityOption;
    in.waterOption = c.waterOption;
    // A loop limit below 1 would never end the Newton loop.
    if (in.loopLimit < 1) {
        writeEach({&io_.listing, &io_.console}, loopLimit, {in.loopLimit});
        stop(ExitStatus::error, "the loop limit " + std::to_string(in.loopLimit) + " is not positive");
    }
    io_.listing.write(skipNotice, {});
    io_.skip.write(skipHeader, {});
    writeEach({&io_.console, &io_.listing}, in.extendedRun() ? extendedBanner : saturationBanner, {});
}

void WaterIntake::tooManyComponents() {
    static const Layout message(
        "(//5X,'WARNING! THE NUMBER OF COMPONENTS GIVEN IN WQCASE    EXCEEDS THE'"
        "/5X,'CURRENT ARRAY DIMENSION (',I2,').  CHECK',' WQCASE DATA FILE.'/)");
    writeEach({&io_.console, &io_.listing}, message, {MAX_COMPONENTS});
    stop(ExitStatus::error, "more than " + std::to_string(MAX_COMPONENTS) + " components");
}

void WaterIntake::store(int position, int number, double total, double molality, double gamma) {
    out_.comp[position].dbNumber = number;
    out_.comp[position].mtot = total;
    out_.startMolality[position] = molality;
    out_.startGamma[position] = gamma;
    out_.map.positionOf[number] = position;
    out_.map.numberAt[position] = number;
}

void WaterIntake::component(const WaterComponent& c) {
    static const Layout outOfRange(
        "(//5X,'WARNING! SAQ(',I4,') = ',I4,';  MAXIMUM VALUE',' ALLOWED IS ',I4/)");
    static const Layout givenTwice(
        "(//5X,'WARNING! SAQ(',I4,') = ',I4,' IS ALREADY GIVEN AS SAQ(',I4,').  CHECK',"
        "' WQCASE DATA FILE.'/)");
    if (out_.comp.count == MAX_COMPONENTS) tooManyComponents();
    const int position = out_.comp.count + 1;
    const int number = c.number;
    if (number < 1 || number > MAX_COMPONENTS) {
        writeEach({&io_.listing, &io_.console}, outOfRange, {position, number, MAX_COMPONENTS});
        stop(ExitStatus::error, "component " + std::to_string(position) + " has the number " + std::to_string(number) +
                                    ", outside 1 to " + std::to_string(MAX_COMPONENTS));
    }
    if (const int earlier = out_.map.position(number); earlier != 0) {
        writeEach({&io_.listing, &io_.console}, givenTwice, {position, number, earlier});
        stop(ExitStatus::error, "components " + std::to_string(earlier) + " and " + std::to_string(position) +
                                    " have the same number " + std::to_string(number));
    }
    RunInput& in = out_.input;
    const double molality = c.startMolality <= 0.0 ? DEFAULT_START_MOLALITY : c.startMolality;
    const bool unitGamma = c.startGamma <= 0.0 || in.activityOption == ActivityOption::ideal;
    store(position, number, c.total, molality, unitGamma ? 1.0 : c.startGamma);
    out_.comp.count = out_.input.componentRecords = position;
    if (number == in.chargeBalanceSpecies) in.chargeBalancePosition = position;
    if (number == in.fixedActivitySpecies) in.fixedActivityPosition = position;
}

namespace {

// The iteration treats positions 1 and 2 as H+ and water: the pH comes from
// position 1, the water equation and the mass of water from position 2.
// Any other component there would make the run loop to its limit for
// reasons the listing would never show.
void checkHydrogenAndWater(const CaseInput& out, Channels& io) {
    static const Layout message(
        "(//5X,'WARNING! COMPONENTS 1 AND 2 MUST BE H+ (SAQ 1) AND H2O (SAQ 2),'"
        "/5X,'IN THIS ORDER; HERE SAQ(   1) = ',I4,' AND SAQ(   2) = ',I4,'.'/5X,'CHECK WQCASE DATA FILE.'/)");
    const int first = out.map.numberAt[HYDROGEN_SLOT];
    const int second = out.map.numberAt[WATER_SLOT];
    if (first == db::HYDROGEN_ION && second == db::WATER) return;
    writeEach({&io.listing, &io.console}, message, {first, second});
    stop(ExitStatus::error, "the first two components must be H+ (1) and H2O (2), not " + std::to_string(first) +
                                " and " + std::to_string(second));
}

void checkRedoxPair(const CaseInput& out, Channels& io) {
    static const Layout message(
        "(5X,'ABORT.  COMPOSITION OVERSPECIFIED.  BOTH O2 AND'/5X,'HS- USED SIMULTANEOUSLY.   CHOOSE!')");
    if (out.map.position(db::SULFIDE) != 0 && out.map.position(db::OXYGEN) != 0) {
        writeEach({&io.listing, &io.console}, message, {});
        stop(ExitStatus::error, "O2,aq and HS- are both components");
    }
}

// The fixed-activity species is named by database number; a number that
// matches no component would otherwise be taken for a component position.
// (The charge-balance species is checked per run: only a run that balances
// charges needs it.)
void checkFixedActivitySpecies(const RunInput& in, Channels& io) {
    static const Layout message(
        "(//5X,'FIXED ACTIVITY SPECIES = ',I4,' IS NOT AMONG THE COMPONENT ',"
        "'SPECIES IN THE WQCASE FILE')");
    if (in.fixedActivitySpecies != 0 && in.fixedActivityPosition == 0) {
        writeEach({&io.listing, &io.console}, message, {in.fixedActivitySpecies});
        stop(ExitStatus::error,
             "the fixed-activity species " + std::to_string(in.fixedActivitySpecies) + " is not a component");
    }
}

// The first run takes its conditions and switches from the run input; the
// alkalinity, read per kg of water, is held in equivalents from here on.
RunConditions firstRunConditions(const CaseInput& out) {
    const RunInput& in = out.input;
    RunConditions c;
    c.temperature = in.temperature;
    c.pressure = in.pressure;
    c.pH = in.pH;
    c.alkalinity = in.alkalinity * out.comp[WATER_SLOT].mtot;
    c.chargeBalanceSwitch = in.chargeBalanceSwitch;
    c.mineralsSwitch = in.mineralsSwitch;
    c.chargeBalanceStartTotal = chargeBalanceTotal(in, out.comp);
    return c;
}

}  // namespace

void WaterIntake::endComponents() {
    checkHydrogenAndWater(out_, io_);
    checkRedoxPair(out_, io_);
    checkFixedActivitySpecies(out_.input, io_);
    // With an alkalinity and no carbonate component, the carbonate component
    // is added; its total follows from the alkalinity.
    const RunInput& in = out_.input;
    if (out_.map.position(db::CARBONATE) == 0 && in.alkalinity != 0.0) {
        if (out_.comp.count == MAX_COMPONENTS) tooManyComponents();
        const int position = ++out_.comp.count;
        store(position, db::CARBONATE, in.alkalinity, CARBONATE_START_MOLALITY, 1.0);
    }
    out_.startMolality[WATER_SLOT] = 1.0;
    out_.conditions = firstRunConditions(out_);
    out_.forced.count = 0;
}

void WaterIntake::forced(const ForcedPhase& f) {
    static const Layout ieqRange(
        "(/5X,'IEQ FOR ',A20,' IS NOT CORRECTLY ','SPECIFIED (=',I5,')'/5X,'CHECK INPUT FORMAT')");
    static const Layout ieqNotComponent(
        "(//5X,'IEQ = ',I2,' IS NOT AMONG THE COMPONENT ','SPECIES IN THE WQCASE FILE')");
    const std::string name(f.mineral.trimmed());
    if (f.component < 1 || f.component > MAX_COMPONENTS) {
        writeEach({&io_.listing, &io_.console}, ieqRange, {f.mineral.view(), f.component});
        stop(ExitStatus::error, "forced mineral " + name + ": IEQ " + std::to_string(f.component) +
                                    " is outside 1 to " + std::to_string(MAX_COMPONENTS));
    }
    const int position = out_.map.position(f.component);
    if (position == 0) {
        writeEach({&io_.listing, &io_.console}, ieqNotComponent, {f.component});
        stop(ExitStatus::error, "forced mineral " + name + ": IEQ " + std::to_string(f.component) + " is not a component");
    }
    ForcedSaturation& entry = out_.forced[++out_.forced.count];
    entry.mineral = f.mineral;
    entry.component = position;
    entry.target = f.target;
}

CaseInput WaterIntake::finish() {
    requireChargeBalanceComponent(out_.input, out_.conditions, out_.forced, io_);
    return out_;
}

CaseInput caseOfWater(const Water& water, Channels& io) {
    WaterIntake intake(io, nullptr);
    intake.title(water.name);
    intake.title(water.secondTitle);
    intake.conditions(water);
    intake.controls(water);
    if (water.components.size() > static_cast<std::size_t>(MAX_COMPONENTS)) intake.tooManyComponents();
    for (const WaterComponent& c : water.components) intake.component(c);
    intake.endComponents();
    for (const ForcedPhase& f : water.forced) {
        if (intake.forcedCount() == MAX_FORCED || f.mineral.isBlank()) break;
        intake.forced(f);
    }
    return intake.finish();
}

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

}  // namespace wq
