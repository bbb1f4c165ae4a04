#include "app/model_options.hpp"

#include "activity/activity_model.hpp"

namespace wq {

namespace {

constexpr ModelOptionEntry MODEL_OPTIONS[] = {
    {"--db", "database",
     "Database (default: LOGKDATA.KDB; with --activity pitzer the Pitzer database of the program)",
     OptionKind::database, false, [](ModelOptions& o) -> std::string& { return o.databasePath; }},
    {"--activity", "activity",
     "Activity model:", OptionKind::text,
     true, [](ModelOptions& o) -> std::string& { return o.activity; }},
    {"--ph-scale", "ph_scale",
     "pH scale of the Pitzer model's single-ion activities: macinnes (gamma(Cl-) = gamma+-(KCl), the scale of a pH "
     "measured against NBS buffers) or free (unscaled); no effect with b-dot",
     OptionKind::text, true, [](ModelOptions& o) -> std::string& { return o.phScale; }},
    {"--redox", "redox",
     "Redox state of the water: Eh=V, pe=X, logfO2=X, O2,aq (its dissolved oxygen), a couple REDUCED/OXIDIZED such "
     "as Fe++/Fe+++, or none (default)",
     OptionKind::names, false, [](ModelOptions& o) -> std::string& { return o.choices.redox; }},
    {"--decouple", "decouple", "Elements whose redox pair stays independent of the redox state: N,C,S,Fe,As",
     OptionKind::names, false, [](ModelOptions& o) -> std::string& { return o.choices.decouple; }},
    {"--suppress", "suppress", "Species, minerals and gases left out of every run, NAME,NAME,...", OptionKind::names,
     false, [](ModelOptions& o) -> std::string& { return o.choices.suppress; }},
    {"--balance", "balance",
     "The charge balance: ION (a charged component of the water) adjusts its total, pH computes the pH from "
     "electroneutrality, none computes the water as analysed (default: a run input's own; none for a table of "
     "waters)",
     OptionKind::text, false, [](ModelOptions& o) -> std::string& { return o.balance; }},
};

}  // namespace

std::span<const ModelOptionEntry> modelOptionTable() { return MODEL_OPTIONS; }

std::string modelOptionHelp(const ModelOptionEntry& entry) {
    // The models and what each is for, as the registry says them.
    if (entry.flag == "--activity") return std::string(entry.help) + " " + activityModelChoices();
    return std::string(entry.help);
}

std::string modelOptionValue(const ModelOptionEntry& entry, ModelOptions o) { return entry.field(o); }

}  // namespace wq
