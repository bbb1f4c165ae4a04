#include "input/formula_mass.hpp"

#include <cctype>
#include <cmath>

#include "input/table_units.hpp"

namespace wq {

namespace {

struct Element {
    std::string_view symbol;
    double weight;
};

// Standard atomic weights, g/mol: IUPAC Commission on Isotopic Abundances
// and Atomic Weights, "Atomic weights of the elements 2013", Pure Appl. Chem.
// 88, 265-291 (2016), the conventional values for the elements given as
// intervals (H, Li, B, C, N, O, Mg, Si, S, Cl, Br).
constexpr Element ELEMENTS[] = {
    {"H", 1.008},      {"He", 4.002602}, {"Li", 6.94},      {"Be", 9.0121831}, {"B", 10.81},
    {"C", 12.011},     {"N", 14.007},    {"O", 15.999},     {"F", 18.998403},  {"Na", 22.989769},
    {"Mg", 24.305},    {"Al", 26.981538}, {"Si", 28.085},   {"P", 30.973762},  {"S", 32.06},
    {"Cl", 35.45},     {"K", 39.0983},   {"Ca", 40.078},    {"V", 50.9415},    {"Cr", 51.9961},
    {"Mn", 54.938044}, {"Fe", 55.845},   {"Co", 58.933194}, {"Ni", 58.6934},   {"Cu", 63.546},
    {"Zn", 65.38},     {"As", 74.921595}, {"Se", 78.971},   {"Br", 79.904},    {"Rb", 85.4678},
    {"Sr", 87.62},     {"Y", 88.90584},  {"Mo", 95.95},     {"Ag", 107.8682},  {"Cd", 112.414},
    {"Sn", 118.71},    {"Sb", 121.76},   {"I", 126.90447},  {"Cs", 132.905452}, {"Ba", 137.327},
    {"La", 138.90547}, {"Ce", 140.116},  {"W", 183.84},     {"Au", 196.966569}, {"Hg", 200.592},
    {"Tl", 204.38},    {"Pb", 207.2},    {"U", 238.02891},
};

// A formula as far as `end`: elements with their counts, groups in
// parentheses with theirs.
bool readAtoms(std::string_view f, std::size_t& at, std::map<std::string, int>& atoms, int times, bool inGroup) {
    const auto count = [&] {
        int n = 0;
        while (at < f.size() && std::isdigit(static_cast<unsigned char>(f[at]))) n = 10 * n + (f[at++] - '0');
        return n == 0 ? 1 : n;
    };
    while (at < f.size()) {
        const char c = f[at];
        if (c == ')') return inGroup;
        if (c == '(') {
            std::map<std::string, int> group;
            ++at;
            if (!readAtoms(f, at, group, 1, true) || at >= f.size()) return false;
            ++at;  // the ')'
            const int n = count();
            for (const auto& [symbol, k] : group) atoms[symbol] += k * n * times;
            continue;
        }
        if (!std::isupper(static_cast<unsigned char>(c))) return false;
        std::string symbol(1, c);
        ++at;
        if (at < f.size() && std::islower(static_cast<unsigned char>(f[at]))) symbol += f[at++];
        if (atomicWeight(symbol) == 0.0) return false;
        atoms[symbol] += count() * times;
    }
    return !inGroup;
}

double massOf(const std::map<std::string, int>& atoms) {
    double grams = 0.0;
    for (const auto& [symbol, n] : atoms) grams += n * atomicWeight(symbol);
    return grams;
}

bool sameLetters(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t k = 0; k < a.size(); ++k)
        if (std::tolower(static_cast<unsigned char>(a[k])) != std::tolower(static_cast<unsigned char>(b[k])))
            return false;
    return true;
}

// The substances a unit is said "as", in the case chemists write them, for
// a unit written in another case ("mg/l as sio2").
constexpr std::string_view AS_SUBSTANCES[] = {"N",   "P",   "S",   "Si",  "C",   "B",   "As",  "Se",
                                              "SiO2", "NO3", "NO2", "NH4", "PO4", "SO4", "HCO3", "CO3",
                                              "H2S", "CaCO3"};

std::string_view asWritten(std::string_view substance) {
    for (std::string_view s : AS_SUBSTANCES)
        if (sameLetters(s, substance)) return s;
    return substance;
}

}  // namespace

double atomicWeight(std::string_view symbol) {
    for (const Element& e : ELEMENTS)
        if (e.symbol == symbol) return e.weight;
    return 0.0;
}

std::optional<std::map<std::string, int>> formulaAtoms(std::string_view formula) {
    formula = formula.substr(0, formula.find(','));
    while (!formula.empty() && (formula.back() == '+' || formula.back() == '-')) formula.remove_suffix(1);
    std::map<std::string, int> atoms;
    std::size_t at = 0;
    if (formula.empty() || !readAtoms(formula, at, atoms, 1, false)) return std::nullopt;
    return atoms;
}

std::optional<double> gramsPerMoleAs(std::string_view given, std::string_view component, double charge,
                                     std::string& why) {
    const std::string_view substance = asWritten(given);
    if (substance == "CaCO3") {
        if (charge == 0.0) {
            why = "a mass as CaCO3 counts equivalents, which an uncharged species has not";
            return std::nullopt;
        }
        return CACO3_GRAMS_PER_EQUIVALENT * std::fabs(charge);
    }
    const std::optional<std::map<std::string, int>> in = formulaAtoms(component);
    const std::optional<std::map<std::string, int>> of = formulaAtoms(substance);
    if (!of) {
        why = "\"as " + std::string(given) + "\" names no element or formula";
        return std::nullopt;
    }
    // The element the substance stands for: its one element besides H and O
    // (N of NO3, Si of SiO2), or the element itself.
    std::string key;
    for (const auto& [symbol, n] : *of) {
        if (of->size() > 1 && (symbol == "H" || symbol == "O")) continue;
        if (!key.empty()) {
            why = "\"as " + std::string(given) + "\" holds more than one element besides H and O";
            return std::nullopt;
        }
        key = symbol;
    }
    const auto atoms = in ? in->find(key) : std::map<std::string, int>::const_iterator{};
    if (key.empty() || !in || atoms == in->end()) {
        why = std::string(component) + " holds no " + (key.empty() ? std::string(given) : key) + ", so no mass of it counts it as " +
              std::string(given);
        return std::nullopt;
    }
    return massOf(*of) / of->at(key) * atoms->second;
}

}  // namespace wq
