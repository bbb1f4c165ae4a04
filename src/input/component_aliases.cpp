#include "input/component_aliases.hpp"

namespace wq {

namespace {

// Standard atomic weights (IUPAC 2013, conventional values), g/mol, for the
// aliases whose mass units count an element.
constexpr double BORON_GRAMS_PER_MOLE = 10.81;
constexpr double CARBON_GRAMS_PER_MOLE = 12.011;

constexpr ComponentAlias ALIASES[] = {
    {"Ca", "Ca++", 0.0, "calcium"},
    {"Mg", "Mg++", 0.0, "magnesium"},
    {"Na", "Na+", 0.0, "sodium"},
    {"K", "K+", 0.0, "potassium"},
    {"Cl", "Cl-", 0.0, "chloride"},
    {"SO4", "SO4--", 0.0, "sulfate, mass as SO4"},
    {"SiO2", "SiO2,aq", 0.0, "dissolved silica, mass as SiO2"},
    {"F", "F-", 0.0, "fluoride"},
    // In groundwater that holds no dissolved oxygen nearly all dissolved
    // iron is ferrous; a laboratory's "Fe" is the total, which the run takes
    // as iron(II). Iron(III) has its own component, Fe+++.
    {"Fe", "Fe++", 0.0, "iron, taken as iron(II) (Fe++); name Fe+++ for iron(III)"},
    {"Mn", "Mn++", 0.0, "manganese, as manganese(II)"},
    {"Al", "Al+++", 0.0, "aluminium"},
    {"B", "B(OH)3,aq", BORON_GRAMS_PER_MOLE, "boron, mass as B"},
    {"NO3", "NO3-", 0.0, "nitrate, mass as NO3"},
    {"Sr", "Sr++", 0.0, "strontium"},
    {"Ba", "Ba++", 0.0, "barium"},
    {"Li", "Li+", 0.0, "lithium"},
    // Total dissolved inorganic carbon (CO2,aq + HCO3- + CO3-- and their ion
    // pairs), the total of the carbonate component.
    {"DIC", "HCO3-", CARBON_GRAMS_PER_MOLE, "total dissolved inorganic carbon, mass as C"},
    {"C(4)", "HCO3-", 0.0, "total dissolved inorganic carbon, mass as HCO3"},
};

}  // namespace

std::span<const ComponentAlias> componentAliases() { return ALIASES; }

const ComponentAlias* componentAlias(std::string_view name) {
    for (const ComponentAlias& a : ALIASES)
        if (a.alias == name) return &a;
    return nullptr;
}

}  // namespace wq
