// The options every front end takes besides its own: the database, the
// activity model and its pH scale, the redox state and what stays out of it
// (RunChoiceText), and the charge balance. One struct holds them, which the
// options of the batch, the sweep and the evaporation path contain; one table
// describes each once (its flag, its help, the Python keyword), from which the
// command line of every subcommand and the Python package's keywords are
// made. A default is the struct's, so the help, the package and the runs
// cannot disagree on it.
#pragma once

#include <span>
#include <string>
#include <string_view>

#include "activity/activity_model.hpp"
#include "app/run_choices.hpp"

namespace wq {

struct ModelOptions {
    std::string databasePath;  // empty: the default of the activity model (defaultDatabaseFor)
    std::string activity = std::string(DEFAULT_ACTIVITY_MODEL);  // by its name in the registry
    std::string phScale = std::string(DEFAULT_PH_SCALE);  // of the Pitzer model's single-ion activities
    RunChoiceText choices;  // --redox, --decouple, --suppress
    // The component that carries the charge balance, "pH" or "none"; empty:
    // a run input's own, and none for a table of waters (balanceOf).
    std::string balance;
};

// The charge balance a table of waters is computed with: none unless asked.
inline std::string balanceOf(const ModelOptions& o) { return o.balance.empty() ? "none" : o.balance; }

// How a value is given in Python: a text, or a text or a list of texts
// (joined with commas, as the command line takes them), or the database
// (a path or a Database read once).
enum class OptionKind { text, names, database };

// The texts are literals (each view's data ends in a null).
struct ModelOptionEntry {
    std::string_view flag;     // on the command line, "--redox"
    std::string_view keyword;  // in Python, "redox"
    std::string_view help;
    OptionKind kind;
    bool showDefault;  // the help shows the default (a default that is a word, not "none given")
    std::string& (*field)(ModelOptions&);
};

// Every shared option, in the order the help lists them.
std::span<const ModelOptionEntry> modelOptionTable();

// The help of an entry as the command line and the package show it (the
// activity models from their registry).
std::string modelOptionHelp(const ModelOptionEntry& entry);

// The value an entry has in `o` (its default, in ModelOptions{}).
std::string modelOptionValue(const ModelOptionEntry& entry, ModelOptions o);

}  // namespace wq
