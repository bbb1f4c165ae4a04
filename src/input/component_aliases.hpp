// Short names of the common components, as laboratories report them: a table
// of waters may head a column "Ca [mg/L]" instead of "Ca++ [mg/L]". Each
// short name stands for one component species of the database and says what
// a mass unit counts (the component's own formula, or an element: boron is
// reported as B, dissolved inorganic carbon as C).
#pragma once

#include <span>
#include <string_view>

namespace wq {

struct ComponentAlias {
    std::string_view alias;      // as a column may name it
    std::string_view component;  // the component species of the database
    // Grams per mole of what a mass unit of the column counts; 0: the
    // component's own formula weight.
    double gramsPerMole = 0.0;
    std::string_view meaning;    // one line for the list of columns
};

// Every short name, in the order of the list of columns.
std::span<const ComponentAlias> componentAliases();

// The short name `name`; nullptr when it is none.
const ComponentAlias* componentAlias(std::string_view name);

}  // namespace wq
