#include "app/model_setup.hpp"

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "app/batch_options.hpp"
#include "app/front_end.hpp"
#include "app/program.hpp"
#include "input/component_catalog.hpp"
#include "input/database_file.hpp"
#include "input/db_numbers.hpp"
#include "input/run_input.hpp"
#include "text/stop.hpp"

namespace wq {

namespace {

// --balance: the run input's own charge balance replaced by none (the water
// as analysed), pH (computed from electroneutrality, the given pH only where
// the iteration starts) or a charged component of the run input.
void applyBalance(Program& p, const std::string& balance) {
    std::string error;
    const std::optional<ComponentCatalog> catalog = componentCatalog(p.database.parsed(), error);
    if (!catalog) throw CannotStart{error};
    std::vector<int> components;
    for (int k = 1; k <= p.comp.count; ++k) components.push_back(p.comp[k].dbNumber);
    const int number = balanceNumber(*catalog, components, balance, "the run input has no component ");
    RunInput& in = p.input;
    in.asAnalysed = number == 0;
    if (number == 0) return;
    in.chargeBalanceSpecies = number;
    in.chargeBalancePosition = p.map.position(number);
    in.chargeBalanceSwitch = p.conditions.chargeBalanceSwitch = 1;
    p.conditions.chargeBalanceStartTotal = chargeBalanceTotal(in, p.comp);
    if (number == db::HYDROGEN_ION) in.pH = p.conditions.pH = 0.0;
}

}  // namespace

void loadModel(Program& p, const ModelOptions& o) {
    p.database = DatabaseFile::ofParsed(databaseSnapshot(o.databasePath));
    p.activityModel = frontEndActivityModel(o.activity, o.databasePath, o.phScale);
}

void readRunInputOf(Program& p, const std::string& name, const std::function<void(Program&)>& read,
                    std::string_view mineralsFor) {
    try {
        read(p);
    } catch (const Stop& stopped) {
        throw CannotStart{name + " cannot be read: " + stopped.reason};
    }
    if (!mineralsFor.empty() && p.input.mineralsSwitch == 0)
        throw CannotStart{name + " does not ask for minerals (option 2 is 0); " + std::string(mineralsFor)};
}

void takeModelChoices(Program& p, const ModelOptions& o) {
    std::string why;
    std::optional<RunChoices> choices = runChoicesOf(o.choices, p.database.parsed(), why);
    if (!choices) throw CannotStart{why};
    p.choices = std::move(*choices);
    if (!o.balance.empty()) applyBalance(p, o.balance);
}

}  // namespace wq
