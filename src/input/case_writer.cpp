#include "input/case_writer.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string_view>
#include <vector>

#include "input/component_catalog.hpp"
#include "input/db_numbers.hpp"
#include "input/run_input.hpp"
#include "input/waters.hpp"
#include "text/number_text.hpp"
#include "text/stop.hpp"
#include "text/textfile.hpp"

namespace wq {

namespace {

// A title line: at most 80 bytes, cut at a character boundary of UTF-8.
// The table reader has refused a name of more than one line, which would
// shift every line after it.
std::string title(std::string_view text) {
    for (char c : text)
        if (c == '\n' || c == '\r') throw InternalError{"a title of more than one line reached the case writer"};
    std::size_t cut = std::min<std::size_t>(text.size(), 80);
    while (cut < text.size() && cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) --cut;
    std::string t(text.substr(0, cut));
    while (!t.empty() && t.back() == ' ') t.pop_back();
    return t + "\n";
}

struct Record {
    int number = 0;
    std::string name;
    double total = 0.0, startMolality = 0.0, startGamma = 1.0;
};

// A real in a field of 19 columns with a decimal point: 13 significant
// digits, fewer where a sign and a three-digit exponent need the room.
std::string realField(double v) {
    char buf[64];
    for (int digits = 12;; --digits) {
        const int n = std::snprintf(buf, sizeof buf, "%19.*E", digits, v);
        if (n <= 19 || digits == 0) return buf;
    }
}

// A component record: number in columns 1-5, the name for the reader's eye
// in 7-18, then three reals of 19 columns.
std::string componentLine(const Record& r) {
    char head[64];
    std::snprintf(head, sizeof head, "%5d %-12.12s", r.number, r.name.c_str());
    return head + realField(r.total) + realField(r.startMolality) + realField(r.startGamma) + "\n";
}

std::string nameOf(const ComponentCatalog& catalog, int number) {
    const CatalogComponent* c = catalog.byNumber(number);
    return c ? c->name : std::string();
}

const ComponentTotal* givenTotal(const WaterSample& water, int number) {
    for (const ComponentTotal& t : water.totals)
        if (t.number == number) return &t;
    return nullptr;
}

// The template's records with the water's totals, then the water's components
// that the template lacks. A total given by the water also gives the starting
// molality (the free ion as the whole total), which starts Newton's method near
// the answer for waters far from the template.
std::vector<Record> componentRecords(const CaseInput& s, const ComponentCatalog& catalog, const WaterSample& water,
                                     double kgw) {
    std::vector<Record> records;
    for (int k = 1; k <= s.input.componentRecords; ++k) {
        Record r{s.comp[k].dbNumber, nameOf(catalog, s.comp[k].dbNumber), s.comp[k].mtot, s.startMolality[k],
                 s.startGamma[k]};
        if (r.number == db::WATER) {
            r.total = kgw;
            r.startMolality = 1.0;
        } else if (const ComponentTotal* t = givenTotal(water, r.number)) {
            r.total = t->moles;
            if (t->moles > 0.0) r.startMolality = t->moles / kgw;
        }
        if (r.number == db::HYDROGEN_ION && water.pH && *water.pH > 0.0) r.startMolality = std::pow(10.0, -*water.pH);
        records.push_back(r);
    }
    for (const ComponentTotal& t : water.totals) {
        if (s.map.position(t.number) != 0 && s.map.position(t.number) <= s.input.componentRecords) continue;
        records.push_back({t.number, nameOf(catalog, t.number), t.moles, t.moles > 0.0 ? t.moles / kgw : 0.0, 1.0});
    }
    // A starting molality is only where Newton's method begins: one beyond
    // the range of numbers (a total in a minute mass of water) is left to
    // the reader's default.
    for (Record& r : records)
        if (!std::isfinite(r.startMolality)) r.startMolality = 0.0;
    return records;
}

// The lines of the template after its component list: the skipped line and
// the forced-mineral records.
std::string templateTail(const TextFile& file, int lastLine) {
    TextFile f = file;
    f.rewind();
    std::string tail;
    std::string_view line;
    while (f.next(line))
        if (f.lineNumber() > lastLine) tail += std::string(line) + "\n";
    return tail;
}

}  // namespace

std::string writeCase(const CaseInput& s, const TextFile& templateFile, const ComponentCatalog& catalog,
                      const WaterSample& water) {
    const RunInput& in = s.input;
    const double kgw = water.kgWater.value_or(s.comp[WATER_SLOT].mtot);
    std::string text = title(water.name) + title(in.title1.view());
    text += "Conv.factor  pH    Act.  Alk(eq/kg water)  T(C)  Damp  Print.thr.  P(bar)\n";
    text += std::string(74, '-') + "\n";
    const double values[8] = {in.convergence,
                              water.pH.value_or(in.pH),
                              in.fixedActivity,
                              water.alkalinity.value_or(in.alkalinity),
                              water.temperature.value_or(in.temperature),
                              in.damping,
                              in.printThreshold,
                              water.pressure.value_or(in.pressure)};
    // Free-format reals, written so that they read back exactly. Appended
    // piece by piece (" " + a temporary string is a false -Wrestrict of
    // GCC 12 at -O3).
    for (double v : values) {
        text += ' ';
        text += exactText(v);
    }
    text += "\nl/v-hiP Minerals Debug ChBal Loops ChBalSp FixActSp Geoth Refine ActOpt WatOpt\n";
    text += std::string(74, '-') + "\n\n";
    const int options[11] = {in.runKind,           in.mineralsSwitch,      in.debug,          in.chargeBalanceSwitch,
                             in.loopLimit,         in.chargeBalanceSpecies, in.fixedActivitySpecies,
                             in.geothermometer,    in.refinement,          static_cast<int>(in.activityOption), static_cast<int>(in.waterOption)};
    for (int v : options) {
        text += ' ';
        text += std::to_string(v);
    }
    text += "\nSAQ  species      Mtot (moles; water: kg)      Mtry               gamma\n";
    text += std::string(77, '-') + "\n";
    for (const Record& r : componentRecords(s, catalog, water, kgw)) text += componentLine(r);
    text += "    0\n";
    return text + templateTail(templateFile, in.componentListEndLine);
}

}  // namespace wq
