// The redox state of a water, and the redox pairs kept apart from it.
//
// The database carries iron, sulfur, nitrogen and arsenic as two components
// each, one per oxidation state, and by default the two are independent: each
// keeps the total given for it. A redox state ties them together: an Eh, a pe
// or a log fO2 fixes the activity of O2,aq, which carries the electrons of the
// database's redox couples; the dissolved oxygen of the water (its O2,aq
// total) does the same through its mass balance; a couple whose two members
// are both measured (Fe++/Fe+++) fixes it through the given total of its
// oxidized member. A pair may be kept decoupled on request, element by
// element (the peers' "disequilibrium" option): nitrate and ammonium, or
// methane, are often far from equilibrium with the rest of a water.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace wq {

struct RedoxState {
    enum class Kind { none, eh, pe, oxygenFugacity, dissolvedOxygen, couple };
    Kind kind = Kind::none;
    double value = 0.0;  // Eh (V), pe, or log fO2 (fugacity in bar)
    std::string couple;  // of kind couple: "reduced/oxidized" as the database names it
    bool given() const { return kind != Kind::none; }
    bool operator==(const RedoxState&) const = default;
};

// The redox state as written on the command line and in the redox column of
// a table: "none"; "Eh=0.35" (V); "pe=5.9"; "logfO2=-30"; "O2,aq" (the
// dissolved oxygen of the water); or a couple "Fe++/Fe+++" (reduced/oxidized,
// as the database names it). nullopt, and why, for anything else.
std::optional<RedoxState> parseRedoxState(std::string_view text, std::string& why);

// The words that records and the listing give for a state: "none",
// "Eh 0.35 V", "pe 5.9", "log fO2 -30", "dissolved oxygen", "couple Fe++/Fe+++".
std::string redoxStateText(const RedoxState& state);

// Elements whose redox pair can be kept apart from the redox state.
inline constexpr std::string_view DECOUPLABLE_ELEMENTS[] = {"N", "C", "S", "Fe", "As"};

struct RedoxOptions {
    RedoxState state;
    std::vector<std::string> decoupled;  // element symbols, each once
    bool decouples(std::string_view element) const;
};

// "N,C": elements of DECOUPLABLE_ELEMENTS separated by commas (blanks around
// them allowed), each once. nullopt, and why, for anything else.
std::optional<std::vector<std::string>> parseDecoupledElements(std::string_view list, std::string& why);

}  // namespace wq
