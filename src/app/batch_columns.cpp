// The columns of a batch's CSV records: the species, minerals and gases
// the table's components form, with the redox columns and the table's own
// carried columns (probeColumns of batch_run.hpp).
#include <algorithm>

#include "app/batch_run.hpp"
#include "app/front_end.hpp"
#include "app/program.hpp"
#include "app/run_sequence.hpp"
#include "input/database_file.hpp"
#include "input/db_numbers.hpp"
#include "solver/redox_run.hpp"
#include "text/stop.hpp"

namespace wq {

// A run input may not hold both O2,aq and HS- (the oxygen and the sulfide
// of one water cannot both be analysed totals); a table may, as long as no
// row gives both, so the default options are those of its components
// without O2,aq: a water that gives it takes it as its own component.
std::vector<int> oneRedoxCarrier(std::vector<int> numbers) {
    const auto gives = [&](int n) { return std::find(numbers.begin(), numbers.end(), n) != numbers.end(); };
    if (gives(db::SULFIDE) && gives(db::OXYGEN)) numbers.erase(std::find(numbers.begin(), numbers.end(), db::OXYGEN));
    return numbers;
}

namespace {

// The columns of a water of `numbers` at 1 mmol each.
RecordColumns probeColumnsOf(const BatchInputs& s, const std::vector<int>& numbers) {
    WaterSample probe;
    probe.name = "columns";
    probe.temperature = 25.0;
    probe.pH = 7.0;
    for (int number : numbers) probe.totals.push_back({number, 1e-3});
    QuietProgram q;
    Program& p = *q;
    p.database = DatabaseFile::ofParsed(s.database);
    RecordColumns columns;
    try {
        // The species and phases of the template's run of the components:
        // charges balanced as its run input would, not as analysed.
        Water water = waterOfRow(s, probe, CaseChoices{});
        water.chargeBalance.when = ChargeBalance::When::whenTotalsHeld;
        takeWater(p, water);
        p.input.runKind = 0;
        p.conditions.temperature = 25.0;
        locateRun(p);
        // With a redox state in the batch, the components it adds (O2,aq and
        // the other member of each pair) give columns too.
        p.choices = s.choices;
        if (anyRedox(s)) p.choices.redox.state = RedoxState{RedoxState::Kind::pe, 0.0, {}};
        addRedoxComponents(p);
        const RunSection section = readSpecies(p);
        if (p.conditions.mineralsSwitch != 0) readMinerals(p, section);
    } catch (const Stop& stopped) {
        throw CannotStart{"the database cannot be read with the batch's components: " + stopped.reason};
    }
    try {  // a state the template cannot take fails each water's record instead
        setUpRedox(p);
    } catch (const Stop&) {
    }
    for (int i = 1; i <= p.sp.count; ++i)
        if (i != WATER_SLOT) columns.species.push_back(std::string(p.sp[i].name.trimmed()));
    columns.redox = anyRedox(s);
    for (const RedoxPair& pair : p.redox.pairs) columns.couples.push_back(pair.couple.name);
    for (int i = 1; i <= p.minerals.count; ++i)
        (p.minerals[i].isGas() ? columns.gases : columns.minerals).push_back(std::string(p.minerals[i].name.trimmed()));
    return columns;
}

void addNew(std::vector<std::string>& names, const std::vector<std::string>& more) {
    for (const std::string& name : more)
        if (std::find(names.begin(), names.end(), name) == names.end()) names.push_back(name);
}

}  // namespace

// A table with O2,aq and HS- (no row of it both: a row that gives both is
// refused alone) has the columns of the one and of the other.
RecordColumns probeColumns(const BatchInputs& s) {
    const std::vector<int>& numbers = s.table.componentNumbers;
    const std::vector<int> withoutOxygen = oneRedoxCarrier(numbers);
    RecordColumns columns = probeColumnsOf(s, withoutOxygen);
    if (withoutOxygen.size() != numbers.size()) {
        std::vector<int> withoutSulfide = numbers;
        withoutSulfide.erase(std::find(withoutSulfide.begin(), withoutSulfide.end(), db::SULFIDE));
        const RecordColumns oxic = probeColumnsOf(s, withoutSulfide);
        addNew(columns.species, oxic.species);
        addNew(columns.minerals, oxic.minerals);
        addNew(columns.gases, oxic.gases);
        addNew(columns.couples, oxic.couples);
    }
    columns.carried = s.table.carriedHeaders;
    return columns;
}


}  // namespace wq
