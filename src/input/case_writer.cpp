#include "input/case_writer.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <optional>
#include <string_view>
#include <vector>

#include "input/component_catalog.hpp"
#include "input/db_numbers.hpp"
#include "input/run_input.hpp"
#include "input/water.hpp"
#include "input/waters.hpp"
#include "text/fields.hpp"
#include "text/number_text.hpp"
#include "text/stop.hpp"

namespace wq {

namespace {

// A title line: at most 80 bytes, cut at a character boundary of UTF-8.
// The table reader has refused a name of more than one line, which would
// shift every line after it.
std::string title(std::string_view text) {
    for (char c : text)
        if (c == '\n' || c == '\r') throw InternalError{"a title of more than one line reached the case writer"};
    std::size_t cut = std::min<std::size_t>(text.size(), 80);
    while (cut < text.size() && cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) --cut;
    std::string t(text.substr(0, cut));
    while (!t.empty() && t.back() == ' ') t.pop_back();
    return t;
}

// A real in a field of 19 columns with a decimal point: 13 significant
// digits, fewer where a sign and a three-digit exponent need the room.
std::string realField(double v) {
    constexpr std::size_t WIDTH = 19;
    for (int digits = 12;; --digits) {
        const std::string text = scientificText(v, digits);
        if (text.size() <= WIDTH) return std::string(WIDTH - text.size(), ' ') + text;
        if (digits == 0) return text;
    }
}

// A real of the component list as its field holds it: the value written
// and read back, so that the water given as values and the same water read
// from its written file are one calculation. A value no field can hold (an
// amount below the smallest double the field can give) stops the water as
// the file would.
double asComponentField(double v) {
    // The field's text is what std::to_chars writes with 12 decimals in
    // scientific form (upper-cased, right-aligned), and the reader reads a
    // number with a point as std::from_chars does: the short way, for the
    // thirty reals of every water. A text too wide for the field, a value
    // that is not finite or one from_chars cannot give takes the field's
    // own way.
    // Zero and one (the usual starting activity coefficient) read back as
    // themselves.
    if (v == 0.0 || v == 1.0) return v;
    if (const std::optional<double> read = scientificReadBack(v, 12, 19)) return *read;
    double read = 0.0;
    if (!readRealField(realField(v), 1, 19, 13, read)) stop(ExitStatus::error, "cannot read a component record");
    return read;
}

// A forced mineral's target in columns 27-36: written with six decimals,
// read as a real of 10 columns.
std::string targetText(double target) {
    char text[512];  // %f of the largest double has 309 digits before the point
    std::snprintf(text, sizeof text, "%10.6f", target);
    return text;
}

double asTargetField(double target) {
    double read = 0.0;
    if (!readRealField(targetText(target), 1, 10, 3, read))
        throw InternalError{"a forced target that its field cannot hold reached the case writer"};
    return read;
}

// A component record: number in columns 1-5, the name for the reader's eye
// in 7-18, then three reals of 19 columns.
std::string componentLine(const WaterComponent& r, const std::string& name) {
    char head[64];
    std::snprintf(head, sizeof head, "%5d %-12.12s", r.number, name.c_str());
    return head + realField(r.total) + realField(r.startMolality) + realField(r.startGamma) + "\n";
}

std::string nameOf(const ComponentCatalog& catalog, int number) {
    const CatalogComponent* c = catalog.byNumber(number);
    return c ? c->name : std::string();
}

const ComponentTotal* givenTotal(const WaterSample& water, int number) {
    for (const ComponentTotal& t : water.totals)
        if (t.number == number) return &t;
    return nullptr;
}

bool givesTotal(const WaterSample& water, int number) { return givenTotal(water, number) != nullptr; }

// A starting molality for a component whose total a gas fixes: a fresh
// groundwater's carbonate, about 1 mmol/kg.
constexpr double FIXED_TOTAL_START = 1e-3;

// The gas whose fugacity a "CO2(g) [log f]" column fixes.
constexpr std::string_view CO2_GAS = "CO2(g)";

// H+ and H2O, then the water's components: the template's starting
// activity coefficient where the template has the component, and the free
// ion as the whole total for the starting molality (which starts Newton's
// method near the answer for waters far from the template). A component of
// the template that the water does not give is left out: the template's
// water never leaks into the table's.
std::vector<WaterComponent> componentRecords(const CaseInput& s, const WaterSample& water, double kgw) {
    using Component = WaterComponent;
    std::vector<Component> records;
    records.reserve(water.totals.size() + 3);
    const auto templateStart = [&](int number, Component& r) {
        const int position = s.map.position(number);
        if (position == 0 || position > s.input.componentRecords) return;
        r.startMolality = s.startMolality[position];
        r.startGamma = s.startGamma[position];
    };
    Component hydrogen{db::HYDROGEN_ION, 0.0, 1e-7, 1.0};
    templateStart(db::HYDROGEN_ION, hydrogen);
    if (water.pH && *water.pH > 0.0) hydrogen.startMolality = std::pow(10.0, -*water.pH);
    records.push_back(hydrogen);
    records.push_back({db::WATER, kgw, 1.0, 1.0});
    for (const ComponentTotal& t : water.totals) {
        Component r{t.number, t.moles, 0.0, 1.0};
        templateStart(t.number, r);
        if (t.moles > 0.0) r.startMolality = t.moles / kgw;
        records.push_back(r);
    }
    if (water.logFugacityCO2 && !water.pHFromCO2 && !givesTotal(water, db::CARBONATE))
        records.push_back({db::CARBONATE, FIXED_TOTAL_START * kgw, FIXED_TOTAL_START, 1.0});
    // A starting molality is only where Newton's method begins: one beyond
    // the range of numbers (a total in a minute mass of water) is left to
    // the reader's default.
    for (Component& r : records) {
        if (!std::isfinite(r.startMolality)) r.startMolality = 0.0;
        r.total = asComponentField(r.total);
        r.startMolality = asComponentField(r.startMolality);
        r.startGamma = asComponentField(r.startGamma);
    }
    return records;
}

// The charge-balance species of the written run input: the chosen one; with
// none, a species the run input may name without adjusting it (the
// template's when the water has it, else the water's first charged
// component, else H+), so that the written file reads.
int chargeBalanceNumber(const CaseInput& s, const ComponentCatalog& catalog, const WaterSample& water,
                        const CaseChoices& choices) {
    if (choices.balanceNumber != 0) return choices.balanceNumber;
    if (givesTotal(water, s.input.chargeBalanceSpecies)) return s.input.chargeBalanceSpecies;
    for (const ComponentTotal& t : water.totals)
        if (const CatalogComponent* c = catalog.byNumber(t.number); c && c->charge != 0.0) return t.number;
    return db::HYDROGEN_ION;
}

// The Na-K-Ca temperature needs Na+, K+ and Ca++.
bool hasNaKCa(const std::vector<int>& numbers) {
    const auto has = [&](int n) { return std::find(numbers.begin(), numbers.end(), n) != numbers.end(); };
    return has(db::SODIUM) && has(db::POTASSIUM) && has(db::CALCIUM);
}

std::vector<int> givenNumbers(const WaterSample& water) {
    std::vector<int> numbers;
    for (const ComponentTotal& t : water.totals) numbers.push_back(t.number);
    return numbers;
}

// The template's forced minerals and, for a water in equilibrium with a CO2
// fugacity, CO2(g) held at it (the log Q/K of a gas is its log fugacity) by
// the carbonate total or, when an alkalinity or a carbonate total is given
// too, by the pH (H+).
std::vector<ForcedPhase> forcedRecords(const CaseInput& s, const WaterSample& water) {
    std::vector<ForcedPhase> forced;
    const auto add = [&](std::string_view mineral, int number, double target) {
        forced.push_back({Name20(mineral), number, asTargetField(target)});
    };
    for (int k = 1; k <= s.forced.count; ++k)
        add(s.forced[k].mineral.trimmed(), s.comp[s.forced[k].component].dbNumber, s.forced[k].target);
    if (water.logFugacityCO2) add(CO2_GAS, water.pHFromCO2 ? db::HYDROGEN_ION : db::CARBONATE, *water.logFugacityCO2);
    return forced;
}

// A forced-mineral record: the name in columns 1-20, the component's number
// in 23-26, the target log Q/K in 27-36 with its decimal point.
std::string forcedLine(const ForcedPhase& f) {
    char head[64];
    std::snprintf(head, sizeof head, "%-20.20s  %4d", std::string(f.mineral.trimmed()).c_str(), f.component);
    return head + targetText(f.target) + "\n";
}

// The template's controls; the minerals reported for a water held at a
// CO2 fugacity, the Na-K-Ca temperature only for a water with the three.
RunControls controlsOf(const RunInput& in, const WaterSample& water) {
    RunControls c;
    c.convergence = in.convergence;
    c.damping = in.damping;
    c.printThreshold = in.printThreshold;
    c.loopLimit = in.loopLimit;
    c.minerals = water.logFugacityCO2 || in.mineralsSwitch != 0;
    c.debug = in.debug != 0;
    c.naKCaTemperature = hasNaKCa(givenNumbers(water)) && in.geothermometer == 1;
    c.refinement = in.refinement == 0 ? Refinement::none : in.refinement == 1 ? Refinement::residual : Refinement::iterative;
    c.activityOption = in.activityOption;
    c.waterOption = in.waterOption;
    return c;
}

// A value of 0 in its field is none.
std::optional<double> unlessZero(double v) { return v == 0.0 ? std::nullopt : std::optional<double>(v); }

// The options line: the option integers in their order.
std::string optionsLine(const Water& w) {
    const RunControls& c = w.controls;
    const int options[11] = {w.pressureKind == PressureKind::given ? 1 : 0,
                             c.minerals ? 1 : 0,
                             c.debug ? 1 : 0,
                             w.chargeBalance.when == ChargeBalance::When::always ? 1 : 0,
                             c.loopLimit,
                             w.chargeBalance.species,
                             w.fixedActivity ? w.fixedActivity->species : 0,
                             c.naKCaTemperature ? 1 : 0,
                             static_cast<int>(c.refinement),
                             static_cast<int>(c.activityOption),
                             static_cast<int>(c.waterOption)};
    std::string text;
    for (int v : options) {
        text += ' ';
        text += std::to_string(v);
    }
    return text;
}

// The conditions line: free-format reals, written so that they read back
// exactly. Appended piece by piece (" " + a temporary string is a false
// -Wrestrict of GCC 12 at -O3).
std::string conditionsLine(const Water& w) {
    const double conditions[8] = {w.controls.convergence,
                                  w.pH.value_or(0.0),
                                  w.fixedActivity ? w.fixedActivity->activity : 0.0,
                                  w.alkalinity.value_or(0.0),
                                  w.temperature,
                                  w.controls.damping,
                                  w.controls.printThreshold,
                                  w.pressure};
    std::string text;
    for (double v : conditions) {
        text += ' ';
        text += exactText(v);
    }
    return text;
}

}  // namespace

Water waterRunInput(const CaseInput& s, const ComponentCatalog& catalog, const WaterSample& water,
                    const CaseChoices& choices) {
    const RunInput& in = s.input;
    const double kgw = water.kgWater.value_or(s.comp[WATER_SLOT].mtot);
    // Water at 0 C (melt water) is computed at the triple point, 0.01 C,
    // where the data begin: a hundredth of a degree no log K resolves.
    const double temperature = std::max(water.temperature.value_or(in.temperature), TRIPLE_POINT_C);
    const bool cold = !in.extendedRun() && temperature < SATURATION_RUN_LOWEST_C;
    const bool pHComputed = choices.balanceNumber == db::HYDROGEN_ION || !(water.pH && *water.pH > 0.0);
    Water w;
    w.name = title(water.name);
    w.secondTitle = title(in.title1.view());
    w.temperature = temperature;
    w.pressureKind = cold || in.extendedRun() ? PressureKind::given : PressureKind::saturationCurve;
    w.pressure = water.pressure.value_or(cold ? COLD_WATER_PRESSURE_BAR : in.pressure);
    w.components = componentRecords(s, water, kgw);
    if (!pHComputed) w.pH = *water.pH;
    w.alkalinity = unlessZero(water.alkalinity.value_or(0.0));
    if (in.fixedActivitySpecies != 0 && givesTotal(water, in.fixedActivitySpecies))
        w.fixedActivity = FixedActivity{in.fixedActivitySpecies, in.fixedActivity};
    w.chargeBalance.when = choices.balanceNumber != 0 ? ChargeBalance::When::always : ChargeBalance::When::never;
    w.chargeBalance.species = chargeBalanceNumber(s, catalog, water, choices);
    w.forced = forcedRecords(s, water);
    w.controls = controlsOf(in, water);
    return w;
}

std::string runInputText(const Water& w, const ComponentCatalog& catalog) {
    std::string text = w.name + "\n" + w.secondTitle + "\n";
    text += "Conv.factor  pH    Act.  Alk(eq/kg water)  T(C)  Damp  Print.thr.  P(bar)\n";
    text += std::string(74, '-') + "\n";
    text += conditionsLine(w);
    text += "\nl/v-hiP Minerals Debug ChBal Loops ChBalSp FixActSp Geoth Refine ActOpt WatOpt\n";
    text += std::string(74, '-') + "\n\n";
    text += optionsLine(w);
    text += "\nSAQ  species      Mtot (moles; water: kg)      Mtry               gamma\n";
    text += std::string(77, '-') + "\n";
    for (const WaterComponent& r : w.components) text += componentLine(r, nameOf(catalog, r.number));
    text += "    0\n";
    text += "Forced minerals and gases: name, component, log Q/K\n";
    for (const ForcedPhase& f : w.forced) text += forcedLine(f);
    return text;
}

std::string writeCase(const CaseInput& templateCase, const ComponentCatalog& catalog, const WaterSample& water,
                      const CaseChoices& choices) {
    return runInputText(waterRunInput(templateCase, catalog, water, choices), catalog);
}

std::string defaultTemplate(const std::vector<int>& componentNumbers, const ComponentCatalog& catalog) {
    // The recipes' convergence factor (1e-9), loop limit (100) and print
    // threshold (1e-10 mol/kg); a saturation run at 25 C, minerals and gases
    // reported, no charge balance.
    std::string text = "A table of waters\nthe default options of a table given alone\n";
    text += "Conv.factor  pH    Act.  Alk(eq/kg water)  T(C)  Damp  Print.thr.  P(bar)\n";
    text += std::string(74, '-') + "\n";
    text += " 1.0E-9  0.0  0.0  0.0  25.0  0.0  1.0E-10  1.0\n";
    text += "l/v-hiP Minerals Debug ChBal Loops ChBalSp FixActSp Geoth Refine ActOpt WatOpt\n";
    text += std::string(74, '-') + "\n\n";
    text += " 0 1 0 0 100 1 0 ";
    text += hasNaKCa(componentNumbers) ? "1" : "0";
    text += " 0 0 0\n";
    text += "SAQ  species      Mtot (moles; water: kg)      Mtry               gamma\n";
    text += std::string(77, '-') + "\n";
    text += componentLine({db::HYDROGEN_ION, 0.0, 1e-7, 1.0}, nameOf(catalog, db::HYDROGEN_ION));
    text += componentLine({db::WATER, 1.0, 1.0, 1.0}, nameOf(catalog, db::WATER));
    for (int n : componentNumbers)
        if (n != db::HYDROGEN_ION && n != db::WATER) text += componentLine({n, 1e-3, 1e-3, 1.0}, nameOf(catalog, n));
    return text + "    0\n";
}

}  // namespace wq
