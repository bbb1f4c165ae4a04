#include "report/record_fields.hpp"

#include <limits>
#include <string>
#include <utility>

namespace wq {

RecordCell numberCell(double value) { return {RecordCell::Kind::number, value, {}}; }
RecordCell wholeCell(double value) { return {RecordCell::Kind::whole, value, {}}; }
RecordCell textCell(std::string value) { return {RecordCell::Kind::text, 0.0, std::move(value)}; }

namespace {

using Cell = std::optional<RecordCell>;
using Kind = RecordCell::Kind;
constexpr double NONE = std::numeric_limits<double>::quiet_NaN();

// A number, whole number or text of the results; none without results.
template <auto member>
Cell resultNumber(const RecordHead&, const Results* r) {
    return r ? Cell(numberCell(r->*member)) : std::nullopt;
}
template <auto member>
Cell resultWhole(const RecordHead&, const Results* r) {
    return r ? Cell(wholeCell(r->*member)) : std::nullopt;
}
template <auto member>
Cell resultText(const RecordHead&, const Results* r) {
    return r ? Cell(textCell(r->*member)) : std::nullopt;
}

// A number of the head when it has one.
template <auto member>
Cell headNumber(const RecordHead& head, const Results*) {
    const std::optional<double>& v = head.*member;
    return v ? Cell(numberCell(*v)) : std::nullopt;
}
// A text of the head when it is not empty (name and status always are).
template <auto member>
Cell headText(const RecordHead& head, const Results*) {
    const std::string& v = head.*member;
    return v.empty() ? std::nullopt : Cell(textCell(v));
}

// T and P: as computed, else as asked.
Cell temperature(const RecordHead& head, const Results* r) { return numberCell(r ? r->temperature : head.temperature); }
Cell pressure(const RecordHead& head, const Results* r) { return numberCell(r ? r->pressure : head.pressure); }

Cell name(const RecordHead& head, const Results*) { return textCell(head.name); }
Cell status(const RecordHead& head, const Results*) { return textCell(head.status); }

// Eh of a couple, null when the run has none.
Cell eh(const RecordHead&, const Results* r) {
    if (!r) return std::nullopt;
    return numberCell(r->ehCouple == EhCouple::none ? NONE : r->eh);
}
Cell ehCouple(const RecordHead&, const Results* r) {
    return r ? Cell(textCell(ehCoupleName(r->ehCouple))) : std::nullopt;
}

// The Na-K-Ca temperature, null where the run does not show it.
Cell naKCaTemperature(const RecordHead&, const Results* r) {
    if (!r) return std::nullopt;
    return numberCell(r->sourceTemperatureShown ? r->sourceTemperature : NONE);
}

// The total of the component that carried the charge balance, after it.
Cell balancedTotal(const RecordHead& head, const Results* r) {
    if (!r || head.balancedOn.empty()) return std::nullopt;
    for (const ComponentRow& c : r->components)
        if (c.name == head.balancedOn) return numberCell(c.moles);
    return std::nullopt;
}

// The calculated conductance against the one the table gives, percent of the
// measured: 100 (calculated - measured) / measured.
Cell conductanceDifference(const RecordHead& head, const Results* r) {
    if (!r || !head.measuredConductance || !(*head.measuredConductance > 0.0)) return std::nullopt;
    const double measured = *head.measuredConductance;
    return numberCell(100.0 * (r->specificConductance - measured) / measured);
}

const RecordField FIELDS[] = {
    {"name", "name", Kind::text, true, name},
    {"status", "status", Kind::text, true, status},
    {"loops", "loops", Kind::whole, false, resultWhole<&Results::loops>},
    {nullptr, "joint_loops", Kind::whole, false, resultWhole<&Results::jointLoops>},
    {"T [C]", "T", Kind::number, true, temperature},
    {"P [bar]", "P", Kind::number, false, pressure},
    {"pH", "pH", Kind::number, true, resultNumber<&Results::pH>},
    {nullptr, "kg_water", Kind::number, false, resultNumber<&Results::kgWater>},
    {"I [mol/kgw]", "I", Kind::number, true, resultNumber<&Results::ionicStrength>},
    {"I stoichiometric [mol/kgw]", "I_stoichiometric", Kind::number, false,
     resultNumber<&Results::stoichiometricIonicStrength>},
    {"a(H2O)", "a_H2O", Kind::number, false, resultNumber<&Results::waterActivity>},
    {"osmotic coefficient", "osmotic_coefficient", Kind::number, false, resultNumber<&Results::osmoticCoefficient>},
    {"Eh [V]", "Eh", Kind::number, false, eh},
    {"Eh couple", "Eh_couple", Kind::text, false, ehCouple},
    {"T Na-K-Ca [C]", "T_NaKCa", Kind::number, false, naKCaTemperature},
    {"charge imbalance [eq/kgw]", "charge_imbalance", Kind::number, false, resultNumber<&Results::chargeImbalance>},
    {"charge imbalance [%]", "charge_imbalance_percent", Kind::number, true,
     resultNumber<&Results::chargeImbalancePercent>},
    {nullptr, "calculated_alkalinity", Kind::number, false, resultNumber<&Results::calculatedAlkalinity>},
    {"analysis imbalance [eq/kgw]", "analysis_imbalance", Kind::number, false,
     headNumber<&RecordHead::analysisImbalance>},
    {"analysis imbalance [%]", "analysis_imbalance_percent", Kind::number, true,
     headNumber<&RecordHead::analysisImbalancePercent>},
    {"conductance [uS/cm]", "conductance", Kind::number, false, resultNumber<&Results::specificConductance>},
    {"conductance difference [%]", "conductance_difference_percent", Kind::number, false, conductanceDifference},
    {"dissolved solids [mg/L]", "dissolved_solids", Kind::number, false, resultNumber<&Results::dissolvedSolids>},
    {"hardness [mg/L as CaCO3]", "hardness", Kind::number, false, resultNumber<&Results::hardness>},
    {"calculated density [kg/L]", "calculated_density", Kind::number, false, resultNumber<&Results::density>},
    {"balanced on", "balanced_on", Kind::text, true, headText<&RecordHead::balancedOn>, true},
    {"balanced total [mol]", nullptr, Kind::number, true, balancedTotal},
    {"notes", "notes", Kind::text, true, headText<&RecordHead::notes>, true},
    {"activity model", "activity_model", Kind::text, true, resultText<&Results::activityModel>},
};

}  // namespace

std::span<const RecordField> recordFields() { return FIELDS; }

}  // namespace wq
