#include "input/pitzer_parameters.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <string>
#include <string_view>

#include "grid/units.hpp"
#include "text/failure.hpp"
#include "text/fields.hpp"
#include "text/number_text.hpp"
#include "text/textfile.hpp"

namespace wq {
namespace {

struct KindSpec {
    PitzerKind kind;
    const char* keyword;
    int speciesCount;
};

constexpr KindSpec KINDS[] = {
    {PitzerKind::beta0, "B0", 2},     {PitzerKind::beta1, "B1", 2},  {PitzerKind::beta2, "B2", 2},
    {PitzerKind::cPhi, "C0", 2},      {PitzerKind::theta, "THETA", 2}, {PitzerKind::lambda, "LAMBDA", 2},
    {PitzerKind::zeta, "ZETA", 3},    {PitzerKind::psi, "PSI", 3},   {PitzerKind::alphas, "ALPHAS", 2},
};

constexpr std::string_view TEMPERATURE_LINE = "TEMPERATURE";
constexpr std::string_view IONIC_STRENGTH_LINE = "IONIC_STRENGTH";

// A line cut into words at blanks and tabs, the comment left out.
struct Words {
    static constexpr int CAPACITY = 12;
    std::string_view word[CAPACITY];
    int count = 0;
    bool tooMany = false;
};

Words splitWords(std::string_view line) {
    const std::size_t hash = line.find('#');
    if (hash != std::string_view::npos) line = line.substr(0, hash);
    Words w;
    std::size_t p = 0;
    while (p < line.size()) {
        while (p < line.size() && (line[p] == ' ' || line[p] == '\t')) ++p;
        if (p >= line.size()) break;
        std::size_t q = p;
        while (q < line.size() && line[q] != ' ' && line[q] != '\t') ++q;
        if (w.count == Words::CAPACITY) {
            w.tooMany = true;
            break;
        }
        w.word[w.count++] = line.substr(p, q - p);
        p = q;
    }
    return w;
}

bool readNumber(std::string_view word, double& out) {
    const char* end = word.data() + word.size();
    return parseFreeReal(word.data(), end, out) == end && std::isfinite(out);
}

const KindSpec* kindOf(std::string_view keyword) {
    for (const KindSpec& k : KINDS)
        if (keyword == k.keyword) return &k;
    return nullptr;
}

// The species of a term in a fixed order, so that "Na+ Cl-" and "Cl- Na+"
// are the same parameter.
std::array<std::string, PITZER_MAX_SPECIES> sortedSpecies(const PitzerTerm& t) {
    std::array<std::string, PITZER_MAX_SPECIES> s = t.species;
    std::sort(s.begin(), s.begin() + t.speciesCount);
    return s;
}

void readRange(TextFile& file, const Words& w, PitzerParameters& p) {
    if (w.word[0] == TEMPERATURE_LINE) {
        double lo = 0.0, hi = 0.0;
        if (w.count != 3 || !readNumber(w.word[1], lo) || !readNumber(w.word[2], hi) || !(lo < hi))
            fileFailure(file, "TEMPERATURE needs two numbers, the lowest and the highest temperature (C)");
        if (!(lo > -KELVIN_OFFSET)) fileFailure(file, "TEMPERATURE: the lowest temperature is not above absolute zero");
        if (!std::isnan(p.minTemperatureC)) fileFailure(file, "a second TEMPERATURE line");
        p.minTemperatureC = lo;
        p.maxTemperatureC = hi;
        return;
    }
    double top = 0.0;
    if (w.count != 2 || !readNumber(w.word[1], top) || !(top > 0.0))
        fileFailure(file, "IONIC_STRENGTH needs one positive number (mol/kg)");
    if (!std::isnan(p.maxIonicStrength)) fileFailure(file, "a second IONIC_STRENGTH line");
    p.maxIonicStrength = top;
}

PitzerTerm readTerm(TextFile& file, const Words& w, const KindSpec& kind) {
    PitzerTerm t;
    t.kind = kind.kind;
    t.line = file.lineNumber();
    t.speciesCount = kind.speciesCount;
    const int numbers = w.count - 1 - kind.speciesCount;
    const std::string keyword(kind.keyword);
    if (kind.kind == PitzerKind::alphas) {
        if (numbers != 2) fileFailure(file, "ALPHAS needs two species and two numbers (alpha1 alpha2)");
        double alpha = 0.0;
        for (int k = 0; k < 2; ++k)
            if (readNumber(w.word[1 + kind.speciesCount + k], alpha) && alpha < 0.0)
                fileFailure(file, "ALPHAS: alpha1 and alpha2 cannot be negative");
    } else if (numbers < 1 || numbers > PITZER_COEFFICIENTS) {
        fileFailure(file, keyword + " needs " + std::to_string(kind.speciesCount) + " species and 1 to " +
                              std::to_string(PITZER_COEFFICIENTS) + " coefficients");
    }
    for (int k = 0; k < kind.speciesCount; ++k) {
        const std::string_view name = w.word[1 + k];
        double ignored = 0.0;
        if (readNumber(name, ignored))
            fileFailure(file, keyword + " needs " + std::to_string(kind.speciesCount) + " species names before its numbers");
        t.species[static_cast<std::size_t>(k)] = std::string(name);
    }
    for (int k = 0; k < numbers; ++k) {
        const std::string_view text = w.word[1 + kind.speciesCount + k];
        if (!readNumber(text, t.coefficients[static_cast<std::size_t>(k)]))
            fileFailure(file, "not a number: \"" + std::string(text) + "\"");
    }
    for (int a = 0; a < kind.speciesCount; ++a)
        for (int b = a + 1; b < kind.speciesCount; ++b)
            if (t.species[static_cast<std::size_t>(a)] == t.species[static_cast<std::size_t>(b)] &&
                kind.kind != PitzerKind::lambda)
                fileFailure(file, keyword + " names " + t.species[static_cast<std::size_t>(a)] + " twice");
    return t;
}

void refuseDuplicate(TextFile& file, const PitzerParameters& p, const PitzerTerm& t) {
    const auto key = sortedSpecies(t);
    for (const PitzerTerm& other : p.terms)
        if (other.kind == t.kind && sortedSpecies(other) == key)
            fileFailure(file, std::string("the same ") + pitzerKindName(t.kind) + " as line " +
                                  std::to_string(other.line));
}

// The six parts of the temperature function at tKelvin, a0 first.
std::array<double, PITZER_COEFFICIENTS> temperatureParts(const std::array<double, PITZER_COEFFICIENTS>& a,
                                                         double tKelvin) {
    const double t = tKelvin;
    const double tr = PITZER_REFERENCE_KELVIN;
    return {a[0], a[1] * (1.0 / t - 1.0 / tr), a[2] * std::log(t / tr), a[3] * (t - tr), a[4] * (t * t - tr * tr),
            a[5] * (1.0 / (t * t) - 1.0 / (tr * tr))};
}

// The file's end: what a whole file states beyond lines each well formed.
// Without a parameter every run would be computed with no interaction at
// all; without the range lines, runs beyond the data unchecked.
void requireParametersAndRange(const PitzerParameters& p, int lastLine) {
    const int line = std::max(lastLine, 1);
    if (p.terms.empty())
        fileFailure(p.fileName, line, "the file ends without a parameter (B0, B1, B2, C0, THETA, LAMBDA, ZETA, PSI, ALPHAS)");
    if (std::isnan(p.minTemperatureC))
        fileFailure(p.fileName, line,
                    "the file ends without a TEMPERATURE line (the lowest and the highest temperature of the data, C)");
    if (std::isnan(p.maxIonicStrength))
        fileFailure(p.fileName, line,
                    "the file ends without an IONIC_STRENGTH line (the highest ionic strength of the data, mol/kg)");
}

// Each part of a temperature function is monotonic in T (ln(T/Tr) and the
// powers of T), so its largest magnitude over the range of the data lies at
// one of the range's ends: where the parts' magnitudes add up to a finite
// number at both ends, the function is finite all over the range.
void requireFiniteOverRange(const PitzerParameters& p, const PitzerTerm& t) {
    if (t.kind == PitzerKind::alphas) return;  // no temperature function
    for (const double c : {p.minTemperatureC, p.maxTemperatureC}) {
        double magnitude = 0.0;
        for (const double part : temperatureParts(t.coefficients, c + KELVIN_OFFSET)) magnitude += std::fabs(part);
        if (std::isfinite(magnitude)) continue;
        std::string named;
        for (int k = 0; k < t.speciesCount; ++k) named += " " + t.species[static_cast<std::size_t>(k)];
        fileFailure(p.fileName, t.line, std::string(pitzerKindName(t.kind)) + named +
                                            " is not a finite number at " + shortestText(c) +
                                            " C, an end of the TEMPERATURE range");
    }
}

}  // namespace

PitzerParameters::PitzerParameters()
    : minTemperatureC(std::numeric_limits<double>::quiet_NaN()),
      maxTemperatureC(std::numeric_limits<double>::quiet_NaN()),
      maxIonicStrength(std::numeric_limits<double>::quiet_NaN()) {}

double pitzerTemperatureFunction(const std::array<double, PITZER_COEFFICIENTS>& a, double tKelvin) {
    // Appelo (2015, Appl. Geochem. 55, 62-71) form of the temperature
    // dependence of the Harvie-Moller-Weare parameters.
    double sum = 0.0;
    for (const double part : temperatureParts(a, tKelvin)) sum += part;
    return sum;
}

const char* pitzerKindName(PitzerKind kind) {
    for (const KindSpec& k : KINDS)
        if (k.kind == kind) return k.keyword;
    return "?";
}

PitzerParameters readPitzerParameters(TextFile& file) {
    PitzerParameters p;
    p.fileName = file.name();
    std::string_view line;
    while (file.next(line)) {
        const Words w = splitWords(line);
        if (w.count == 0) continue;
        if (w.tooMany) fileFailure(file, "too many words on the line");
        if (w.word[0] == TEMPERATURE_LINE || w.word[0] == IONIC_STRENGTH_LINE) {
            readRange(file, w, p);
            continue;
        }
        const KindSpec* kind = kindOf(w.word[0]);
        if (!kind)
            fileFailure(file, "unknown kind \"" + std::string(w.word[0]) +
                                  "\" (B0, B1, B2, C0, THETA, LAMBDA, ZETA, PSI, ALPHAS, TEMPERATURE, IONIC_STRENGTH)");
        PitzerTerm t = readTerm(file, w, *kind);
        refuseDuplicate(file, p, t);
        p.terms.push_back(std::move(t));
    }
    requireParametersAndRange(p, file.lineNumber());
    for (const PitzerTerm& t : p.terms) requireFiniteOverRange(p, t);
    return p;
}

PitzerParameters loadPitzerParameters(const std::string& path) {
    TextFile file;
    std::string why;
    if (!file.load(path, why)) openFailure("cannot open " + path + ": " + why);
    return readPitzerParameters(file);
}

}  // namespace wq
