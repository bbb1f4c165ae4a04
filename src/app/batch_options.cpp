#include "app/batch_options.hpp"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <thread>
#include <string_view>

#include "activity/activity_model.hpp"
#include "app/front_end.hpp"
#include "input/component_aliases.hpp"
#include "input/component_catalog.hpp"
#include "input/db_numbers.hpp"
#include "input/waters.hpp"
#include "report/column_selection.hpp"
#include "run/results.hpp"
#include "text/csv.hpp"
#include "text/number_text.hpp"
#include "text/stop.hpp"
#include "text/textfile.hpp"

namespace wq {

// --balance: none (0), pH (H+, 1) or a charged component the table gives.
int balanceNumber(const ComponentCatalog& catalog, const std::vector<int>& tableComponents, const std::string& balance,
                  const std::string& missing) {
    if (balance == "none") return 0;
    if (balance == "pH") return db::HYDROGEN_ION;
    const ComponentAlias* alias = catalog.byName(balance) ? nullptr : componentAlias(balance);
    const CatalogComponent* c = catalog.byName(alias ? alias->component : std::string_view(balance));
    const std::string option = "--balance " + shortened(balance);
    if (!c) throw CannotStart{option + ": not a component (give a charged component of the water, pH or none)"};
    if (c->charge == 0.0) throw CannotStart{option + ": " + c->name + " is uncharged and cannot carry the charge balance"};
    const std::vector<int>& given = tableComponents;
    if (std::find(given.begin(), given.end(), c->number) == given.end())
        throw CannotStart{option + ": " + missing + c->name};
    return c->number;
}

// How one water is computed: the pH from electroneutrality where its cell
// is blank (and no alkalinity or CO2 fugacity fixes it otherwise) or
// --balance pH asks for it, else the balance --balance names, or none. An
// empty `error` when the two can be met together.
CaseChoices choicesFor(const ComponentCatalog& catalog, int balance, const WaterSample& w, std::string& error) {
    // The pH of a CO2 fugacity beside an alkalinity is the gas's: no
    // balance on H+, and an ion's only when asked.
    const bool pHBlank = !(w.pH && *w.pH > 0.0) && !w.pHFromCO2;
    if (w.pHFromCO2 && balance == db::HYDROGEN_ION) {
        error = "row on line " + std::to_string(w.line) + ": its CO2 fugacity fixes the pH, which --balance pH "
                "would compute from electroneutrality";
        return {};
    }
    // An alkalinity is the charge the weak acids carry: with it the pH
    // cannot make the water neutral, so a blank pH beside it has nothing to
    // come from (a pH from the H+ total, the carbonate as HCO3-, is the pH of
    // a bicarbonate solution, not of the water analysed).
    const bool alkalinity = w.alkalinity && !w.pHFromCO2;
    if (alkalinity && pHBlank) {
        error = "row on line " + std::to_string(w.line) + ": a blank pH beside an alkalinity: the alkalinity fixes the "
                "charge the carbonate carries, so electroneutrality cannot set the pH; give the pH, or a CO2(g) column "
                "(the pH then follows from the alkalinity and the CO2)";
        return {};
    }
    if (alkalinity && balance == db::HYDROGEN_ION) {
        error = "row on line " + std::to_string(w.line) + ": its alkalinity is the charge of its weak acids, so no pH "
                "can balance its charges (--balance pH); give the carbonate as a total or a CO2 fugacity, or balance "
                "on an ion";
        return {};
    }
    const bool onIon = balance != 0 && balance != db::HYDROGEN_ION;
    const auto gives = [&](int number) {
        return std::any_of(w.totals.begin(), w.totals.end(), [&](const ComponentTotal& t) { return t.number == number; });
    };
    if (onIon && !gives(balance)) {
        const CatalogComponent* c = catalog.byNumber(balance);
        const std::string name = c ? c->name : std::string("the ion");
        error = "row on line " + std::to_string(w.line) + ": --balance " + name + ": the water has no " + name +
                " to balance on (its cell is blank)";
        return {};
    }
    if (alkalinity) return {balance};
    if (balance == 0 || balance == db::HYDROGEN_ION) return {pHBlank ? db::HYDROGEN_ION : balance};
    if (pHBlank) {
        const CatalogComponent* ion = catalog.byNumber(balance);
        error = "row on line " + std::to_string(w.line) + ": a blank pH asks for the pH from electroneutrality and "
                "--balance for the balance on " + (ion ? ion->name : std::string("an ion")) +
                "; give the pH, or no --balance";
    }
    return {balance};
}

// The analysis's own balance: cations and anions in equivalents of the
// totals as given (the alkalinity counted as anions), before any solve.
void analysisBalanceOf(const ComponentCatalog& catalog, double templateKgWater, const WaterSample& w, RecordHead& head) {
    const double kgw = w.kgWater.value_or(templateKgWater);
    const IonBalance b = ionBalanceOf(w, catalog, kgw);
    if (!(b.cations + b.anions > 0.0)) return;
    head.analysisImbalance = (b.cations - b.anions) / kgw;
    head.analysisImbalancePercent = 100.0 * (b.cations - b.anions) / (b.cations + b.anions);
}

// What a record notes about a water beyond the activity model's range.
std::string modelNotes(const Results& r) {
    std::string notes;
    const auto note = [&](const std::string& n) { notes += (notes.empty() ? "" : "; ") + n; };
    // A model whose data state their own range notes it in the status
    // (rangeNote), and has no bound here.
    const ActivityModelEntry* model = activityModelNamed(r.activityModel);
    if (model && r.stoichiometricIonicStrength > model->range.stoichIonicStrength)
        note("I stoichiometric above " + exactText(model->range.stoichIonicStrength) +
             " mol/kgw: beyond the range of the " + std::string(model->title) + " model");
    if (r.waterActivity > 1.0) note("a(H2O) above 1");
    if (!r.beyondData.empty()) {
        // Long (an entry of a few dozen characters for each of up to a few
        // dozen entries): built in place.
        notes.append(notes.empty() ? "" : "; ").append("log K extrapolated beyond the data of ");
        for (std::size_t k = 0; k < r.beyondData.size(); ++k) notes.append(k == 0 ? "" : ", ").append(r.beyondData[k]);
    }
    return notes;
}

// The compact set with the table's carried columns, all of them where they
// stand, after the redox columns and before the saturation indices.
std::vector<std::size_t> withCarriedColumns(const RecordColumns& columns, std::vector<std::size_t> chosen) {
    if (columns.carried.empty()) return chosen;
    RecordColumns head;
    head.redox = columns.redox;
    head.couples = columns.couples;
    const std::size_t first = allColumnNames(head).size();
    const std::size_t end = first + columns.carried.size();
    const auto after = std::find_if(chosen.begin(), chosen.end(), [&](std::size_t k) { return k >= end; });
    std::vector<std::size_t> carried;
    for (std::size_t k = first; k < end; ++k) carried.push_back(k);
    chosen.insert(after, carried.begin(), carried.end());
    return chosen;
}

// The CSV columns: --all every one, --columns those its names and patterns
// match (a pattern that matches none is refused), else the compact set.
std::vector<std::size_t> selectedColumns(const RecordColumns& columns, const BatchOptions& o) {
    const std::vector<std::string> names = allColumnNames(columns);
    if (o.allColumns) return {};
    std::vector<std::string> unmatched;
    if (o.columns.empty()) return withCarriedColumns(columns, selectColumns(names, compactColumnPatterns(), unmatched));
    const std::vector<std::string> patterns = splitColumnList(o.columns);
    std::vector<std::size_t> chosen = selectColumns(names, patterns, unmatched);
    if (!unmatched.empty())
        throw CannotStart{"--columns: " + shortened(unmatched.front()) +
                          " matches no column of this table's records (--all shows them all)"};
    if (chosen.empty()) throw CannotStart{"--columns names no column"};
    return chosen;
}

// --below-detection, --strict and --density, checked before anything is read.
TableReading tableReadingOf(const BatchOptions& o) {
    TableReading reading;
    const std::optional<BelowDetection> policy = belowDetectionNamed(o.belowDetection);
    if (!policy)
        throw CannotStart{"--below-detection " + shortened(o.belowDetection) + ": give " +
                          std::string(BELOW_DETECTION_NAMES)};
    reading.belowDetection = *policy;
    reading.strict = o.strict;
    if (o.density.empty()) return reading;
    double density = 0.0;
    const auto [end, ec] = std::from_chars(o.density.data(), o.density.data() + o.density.size(), density);
    if (ec != std::errc() || end != o.density.data() + o.density.size() || !(density > 0.0) || !std::isfinite(density))
        throw CannotStart{"--density " + shortened(o.density) + ": not a positive number of kg/L (g/mL)"};
    reading.density = density;
    return reading;
}

std::vector<CommandInput> batchInputFiles(const BatchOptions& o, const ActivityModel* model) {
    std::vector<CommandInput> inputs = runInputFiles(o.casePath, o.model.databasePath, model);
    inputs.front().what = "the template";
    inputs.insert(inputs.begin(), {"the table of waters", o.watersPath});
    return inputs;
}

int askedJobs(const std::string& asked, std::string& note) {
    const int cores = std::max(1, static_cast<int>(std::thread::hardware_concurrency()));
    if (asked.empty()) return cores;
    long long n = 0;
    const auto [end, ec] = std::from_chars(asked.data(), asked.data() + asked.size(), n);
    if (ec != std::errc() || end != asked.data() + asked.size())
        throw CannotStart{"--jobs " + shortened(asked) + ": not a whole number of threads"};
    if (n < 1) throw CannotStart{"--jobs " + asked + ": there must be at least one thread"};
    const long long most = static_cast<long long>(MAX_JOBS_PER_CORE) * cores;
    if (n <= most) return static_cast<int>(n);
    note = "--jobs " + asked + " is more than " + std::to_string(MAX_JOBS_PER_CORE) + " threads per core; at most " +
           std::to_string(most) + " threads";
    return static_cast<int>(most);
}

// No more threads than waters.
int workerCount(int jobs, std::size_t waters) {
    return static_cast<int>(std::min<std::size_t>(static_cast<std::size_t>(jobs), std::max<std::size_t>(waters, 1)));
}

}  // namespace wq
