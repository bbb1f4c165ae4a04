#include "input/component_aliases.hpp"

#include <cctype>

namespace wq {

namespace {

constexpr ComponentAlias ALIASES[] = {
    {"Ca", "Ca++", "", "calcium"},
    {"Mg", "Mg++", "", "magnesium"},
    {"Na", "Na+", "", "sodium"},
    {"K", "K+", "", "potassium"},
    {"Cl", "Cl-", "", "chloride"},
    {"SO4", "SO4--", "", "sulfate, mass as SO4"},
    // Sulfur by ICP is, in a water with oxygen, nearly all sulfate.
    {"S", "SO4--", "S", "sulfur (by ICP), taken as sulfate, mass as S"},
    {"SiO2", "SiO2,aq", "", "dissolved silica, mass as SiO2"},
    {"Si", "SiO2,aq", "Si", "silicon, taken as dissolved silica, mass as Si"},
    {"F", "F-", "", "fluoride"},
    {"Br", "Br-", "", "bromide"},
    {"I", "I-", "", "iodide"},
    // In groundwater that holds no dissolved oxygen nearly all dissolved
    // iron is ferrous; a laboratory's "Fe" is the total, which the run takes
    // as iron(II). Iron(III) has its own component, Fe+++.
    {"Fe", "Fe++", "", "iron, taken as iron(II) (Fe++); name Fe+++ or Fe(III) for iron(III)"},
    {"Fe(II)", "Fe++", "", "iron(II), ferrous iron"},
    {"Fe2+", "Fe++", "", "iron(II)"},
    {"Fe II", "Fe++", "", "iron(II)"},
    {"Fe(III)", "Fe+++", "", "iron(III), ferric iron"},
    {"Fe3+", "Fe+++", "", "iron(III)"},
    {"Fe III", "Fe+++", "", "iron(III)"},
    {"Mn", "Mn++", "", "manganese, as manganese(II)"},
    {"Al", "Al+++", "", "aluminium"},
    {"B", "B(OH)3,aq", "B", "boron, mass as B"},
    {"NO3", "NO3-", "", "nitrate, mass as NO3 ([mg/L as N] for nitrate-N)"},
    {"NH4", "NH4+", "", "ammonium, mass as NH4 ([mg/L as N] for ammonium-N)"},
    // Nitrite is an intermediate of the nitrogen couple that no component of
    // the database carries.
    {"NO2", "", "", "nitrite: no component carries it; the column is carried through"},
    {"PO4", "HPO4--", "PO4", "orthophosphate, mass as PO4 ([mg/L as P] for phosphate-P)"},
    {"P", "HPO4--", "P", "phosphorus, taken as orthophosphate, mass as P"},
    // Arsenic is reported as the element; in a water with oxygen it is
    // arsenate. Arsenite, As(III), has its own component, HAsO2,aq.
    {"As", "H2AsO4-", "As", "arsenic, taken as arsenate, mass as As; As(III) for arsenite"},
    {"As(V)", "H2AsO4-", "As", "arsenate, mass as As"},
    {"As(III)", "HAsO2,aq", "As", "arsenite, mass as As"},
    {"H2S", "HS-", "", "dissolved sulfide, mass as H2S"},
    {"HS", "HS-", "", "dissolved sulfide, mass as HS"},
    {"sulfide", "HS-", "S", "dissolved sulfide, mass as S"},
    {"S(-II)", "HS-", "S", "dissolved sulfide, mass as S"},
    {"DO", "O2,aq", "", "dissolved oxygen, mass as O2"},
    {"O2", "O2,aq", "", "dissolved oxygen, mass as O2"},
    {"Sr", "Sr++", "", "strontium"},
    {"Ba", "Ba++", "", "barium"},
    {"Li", "Li+", "", "lithium"},
    {"Rb", "Rb+", "", "rubidium"},
    {"Cs", "Cs+", "", "caesium"},
    {"Be", "Be++", "", "beryllium"},
    {"Zn", "Zn++", "", "zinc"},
    {"Cu", "Cu++", "", "copper, as copper(II)"},
    {"Pb", "Pb++", "", "lead"},
    {"Cd", "Cd++", "", "cadmium"},
    {"Ni", "Ni++", "", "nickel"},
    {"Co", "Co++", "", "cobalt"},
    {"Hg", "Hg++", "", "mercury"},
    {"Ag", "Ag+", "", "silver"},
    {"Tl", "Tl+", "", "thallium"},
    {"U", "UO2++", "U", "uranium, taken as uranyl, mass as U"},
    {"Se", "SeO4--", "Se", "selenium, taken as selenate, mass as Se"},
    {"Mo", "MoO4--", "Mo", "molybdenum, taken as molybdate, mass as Mo"},
    {"Cr", "CrO4--", "Cr", "chromium, taken as chromate (Cr(VI)), mass as Cr"},
    {"V", "H2VO4-", "V", "vanadium, taken as vanadate, mass as V"},
    {"Sb", "HSbO2,aq", "Sb", "antimony, as antimony(III), mass as Sb"},
    {"W", "WO4--", "W", "tungsten, taken as tungstate, mass as W"},
    // The words of a laboratory report.
    {"calcium", "Ca++", "", "Ca"},
    {"magnesium", "Mg++", "", "Mg"},
    {"sodium", "Na+", "", "Na"},
    {"potassium", "K+", "", "K"},
    {"chloride", "Cl-", "", "Cl"},
    {"sulfate", "SO4--", "", "SO4"},
    {"sulphate", "SO4--", "", "SO4"},
    {"nitrate", "NO3-", "", "NO3"},
    {"ammonium", "NH4+", "", "NH4"},
    {"fluoride", "F-", "", "F"},
    {"bromide", "Br-", "", "Br"},
    {"silica", "SiO2,aq", "", "SiO2"},
    {"iron", "Fe++", "", "Fe"},
    {"manganese", "Mn++", "", "Mn"},
    {"strontium", "Sr++", "", "Sr"},
    {"barium", "Ba++", "", "Ba"},
    {"lithium", "Li+", "", "Li"},
    {"boron", "B(OH)3,aq", "B", "B"},
    {"arsenic", "H2AsO4-", "As", "As"},
    {"zinc", "Zn++", "", "Zn"},
    {"copper", "Cu++", "", "Cu"},
    {"aluminium", "Al+++", "", "Al"},
    {"aluminum", "Al+++", "", "Al"},
    {"phosphate", "HPO4--", "PO4", "PO4"},
    // Total dissolved inorganic carbon (CO2,aq + HCO3- + CO3-- and their ion
    // pairs), the total of the carbonate component.
    {"DIC", "HCO3-", "C", "total dissolved inorganic carbon, mass as C"},
    {"C(4)", "HCO3-", "", "total dissolved inorganic carbon, mass as HCO3"},
};

bool sameInAnyCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t k = 0; k < a.size(); ++k)
        if (std::tolower(static_cast<unsigned char>(a[k])) != std::tolower(static_cast<unsigned char>(b[k])))
            return false;
    return true;
}

}  // namespace

std::span<const ComponentAlias> componentAliases() { return ALIASES; }

const ComponentAlias* componentAlias(std::string_view name) {
    for (const ComponentAlias& a : ALIASES)
        if (a.alias == name) return &a;
    for (const ComponentAlias& a : ALIASES)
        if (sameInAnyCase(a.alias, name)) return &a;
    return nullptr;
}

}  // namespace wq
