// What every worker of a batch reads and nobody changes: the database, the
// catalog, the template, the table (or where its waters are read again
// from), the choices and the activity model, as batch_run.hpp prepares them
// and the workers (batch_run, water_feed) take them.
#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "activity/activity_model.hpp"
#include "input/component_catalog.hpp"
#include "input/logk_cache.hpp"
#include "input/run_input.hpp"
#include "input/table_reading.hpp"
#include "input/waters.hpp"
#include "solver/redox_state.hpp"
#include "text/textfile.hpp"

namespace wq {

struct ParsedDatabase;

// What every worker reads and nobody changes.
struct BatchInputs {
    std::shared_ptr<const ParsedDatabase> database;  // read and checked once, shared read-only
    ComponentCatalog catalog;
    TableReading reading;  // --below-detection, --strict, --density
    std::unique_ptr<CaseInput> templateCase;  // the template as read, or the default options for the table
    WaterTable table;  // its waters, unless they are read as the workers take them (streamedTable)
    std::size_t waterCount = 0;    // the waters of the table
    bool watersGiveRedox = false;  // some water of the table gives its own redox state
    double tableKgWater = 1.0;     // the mass of water the table's amounts were read with
    // The table's file when its waters are read from it again as the
    // workers take them (table.waters is then empty), as it was when read
    // through; empty when table.waters holds every water.
    std::string streamedTable;
    FileIdentity streamedIdentity;
    // Or the table's text in memory, read again in the same way (the
    // caller's, kept until the waters are solved).
    std::optional<std::string_view> streamedText;
    RunChoices choices;                            // --redox, --decouple, --suppress
    int balance = 0;                               // --balance: 0 none, 1 (H+) the pH, else a component's number
    std::unique_ptr<ActivityModel> activityModel;  // read once; every water takes a copy
    // The database's values per temperature and pressure for the components
    // the waters can have, shared by the workers (it locks itself).
    std::unique_ptr<LogKCache> logK;
    bool coldStart = false;  // --cold-start: every water from the run input's start, none warm
};

}  // namespace wq
