// The options that every way of running a water takes besides its input
// files: the redox state (--redox), the elements kept decoupled from it
// (--decouple) and the species, minerals and gases left out (--suppress).
// The run input cannot say them without a change of its layout, so it does
// not: they stand on the command line of the console program, the batch and
// the sweep alike.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "solver/redox_run.hpp"

namespace wq {

struct ParsedDatabase;
struct WaterSample;

// The three options as given; empty when not.
struct RunChoiceText {
    std::string redox;
    std::string decouple;
    std::string suppress;
    bool any() const { return !redox.empty() || !decouple.empty() || !suppress.empty(); }
};

// The choices the options say, the names checked against the database;
// nullopt, and why in one line, when one cannot be taken.
std::optional<RunChoices> runChoicesOf(const RunChoiceText& text, const ParsedDatabase& db, std::string& why);

// True when the water gives a redox state of its own.
bool givesRedoxState(const WaterSample& water);

// The choices of one water of a table: these, with the row's own redox state.
RunChoices choicesOf(const RunChoices& choices, const WaterSample& water);

}  // namespace wq
