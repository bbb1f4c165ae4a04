// Two run inputs, or two waters, compared field by field: the test of a
// water given as a value against the same water read from its written text.
#pragma once

#include <cstring>
#include <string>
#include <utility>

#include "input/run_input.hpp"
#include "input/water.hpp"

namespace wq::testing {

namespace detail {

// Bit for bit: a -0 read as +0, or a value one unit off in its last place,
// is a different calculation.
inline bool sameBits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

inline std::string runInputDifference(const RunInput& a, const RunInput& b) {
    if (!(a.title1 == b.title1) || !(a.title2 == b.title2)) return "a title";
    const double reals[][2] = {{a.convergence, b.convergence}, {a.pH, b.pH},
                               {a.fixedActivity, b.fixedActivity}, {a.alkalinity, b.alkalinity},
                               {a.temperature, b.temperature}, {a.damping, b.damping},
                               {a.printThreshold, b.printThreshold}, {a.pressure, b.pressure}};
    for (const auto& r : reals)
        if (!sameBits(r[0], r[1])) return "a condition";
    const int integers[][2] = {{a.runKind, b.runKind},
                               {a.mineralsSwitch, b.mineralsSwitch},
                               {a.debug, b.debug},
                               {a.chargeBalanceSwitch, b.chargeBalanceSwitch},
                               {a.loopLimit, b.loopLimit},
                               {a.chargeBalanceSpecies, b.chargeBalanceSpecies},
                               {a.fixedActivitySpecies, b.fixedActivitySpecies},
                               {a.geothermometer, b.geothermometer},
                               {a.refinement, b.refinement},
                               {static_cast<int>(a.activityOption), static_cast<int>(b.activityOption)},
                               {static_cast<int>(a.waterOption), static_cast<int>(b.waterOption)},
                               {a.chargeBalancePosition, b.chargeBalancePosition},
                               {a.fixedActivityPosition, b.fixedActivityPosition},
                               {a.componentRecords, b.componentRecords},
                               {a.asAnalysed, b.asAnalysed}};
    for (const auto& i : integers)
        if (i[0] != i[1]) return "an option";
    return {};
}

inline std::string conditionsDifference(const RunConditions& a, const RunConditions& b) {
    const bool same = sameBits(a.temperature, b.temperature) && sameBits(a.pressure, b.pressure) &&
                      sameBits(a.pH, b.pH) && sameBits(a.alkalinity, b.alkalinity) &&
                      a.chargeBalanceSwitch == b.chargeBalanceSwitch && a.mineralsSwitch == b.mineralsSwitch &&
                      sameBits(a.chargeBalanceStartTotal, b.chargeBalanceStartTotal);
    return same ? std::string() : "the first run's conditions";
}

}  // namespace detail

// What differs between two run inputs (empty when nothing does): the first
// field found, with the component position where there is one.
inline std::string caseInputDifference(const CaseInput& a, const CaseInput& b) {
    if (std::string d = detail::runInputDifference(a.input, b.input); !d.empty()) return d;
    if (std::string d = detail::conditionsDifference(a.conditions, b.conditions); !d.empty()) return d;
    if (a.comp.count != b.comp.count) return "the number of components";
    for (int k = 1; k <= a.comp.count; ++k) {
        const bool same = a.comp[k].dbNumber == b.comp[k].dbNumber && detail::sameBits(a.comp[k].mtot, b.comp[k].mtot) &&
                          detail::sameBits(a.startMolality[k], b.startMolality[k]) &&
                          detail::sameBits(a.startGamma[k], b.startGamma[k]) &&
                          a.map.numberAt[k] == b.map.numberAt[k] &&
                          a.map.position(a.comp[k].dbNumber) == b.map.position(b.comp[k].dbNumber);
        if (!same) return "component " + std::to_string(k);
    }
    if (a.forced.count != b.forced.count) return "the number of forced minerals";
    for (int k = 1; k <= a.forced.count; ++k) {
        const ForcedSaturation &x = a.forced[k], &y = b.forced[k];
        if (!(x.mineral == y.mineral) || x.component != y.component || !detail::sameBits(x.target, y.target))
            return "forced mineral " + std::to_string(k);
    }
    return {};
}

// The first field in which two waters differ (empty when none does).
inline std::string waterDifference(const Water& a, const Water& b) {
    const std::pair<bool, const char*> fields[] = {
        {a.name == b.name && a.secondTitle == b.secondTitle, "a title"},
        {a.temperature == b.temperature, "the temperature"},
        {a.pressureKind == b.pressureKind && a.pressure == b.pressure, "the pressure"},
        {a.components == b.components, "the components"},
        {a.pH == b.pH, "the pH"},
        {a.alkalinity == b.alkalinity, "the alkalinity"},
        {a.fixedActivity == b.fixedActivity, "the fixed activity"},
        {a.chargeBalance == b.chargeBalance, "the charge balance"},
        {a.forced == b.forced, "the forced phases"},
        {a.controls == b.controls, "the controls"},
    };
    for (const auto& [same, field] : fields)
        if (!same) return field;
    return a == b ? std::string() : "a field not named here";
}

}  // namespace wq::testing
