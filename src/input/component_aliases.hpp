// Short names of the components, as laboratories report them: a table of
// waters may head a column "Ca [mg/L]", "calcium [mg/L]" or "CA [MG/L]"
// instead of "Ca++ [mg/L]". Each short name stands for one component species
// of the database, with its redox meaning (Fe(III) is Fe+++, DO is O2,aq,
// H2S is HS-), and says what a mass unit counts: the component's own
// formula, an element (arsenic is reported as As, boron as B, dissolved
// inorganic carbon as C) or another formula (phosphate as PO4).
#pragma once

#include <span>
#include <string_view>

namespace wq {

struct ComponentAlias {
    std::string_view alias;      // as a column may name it
    // The component species of the database; empty: a quantity that no
    // component of a speciation carries (nitrite, a redox intermediate),
    // carried through to the records.
    std::string_view component;
    // What a mass unit of the column counts, as a mass unit "as" names it
    // (formula_mass.hpp): an element, a formula; empty: the component's own
    // formula weight.
    std::string_view massAs;
    std::string_view meaning;    // one line for the list of columns
};

// Every short name, in the order of the list of columns.
std::span<const ComponentAlias> componentAliases();

// The short name `name`, as written, else in any case; nullptr when it is
// none.
const ComponentAlias* componentAlias(std::string_view name);

}  // namespace wq
