// libFuzzer target: the case writer's round trip. Every row of any table is
// refused by the table reader, or written as a run input (from a fixed
// template) that the run-input reader reads back with the row's values: the
// name as the title, the conditions exactly, the totals to the 13 digits of
// their fixed columns; and the water the batch hands the program as a value
// is, field by field, the one read from that text, its run input bit for bit. A
// run input that does not read back, or that differs from its values, is a
// finding.
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "../support/case_input_compare.hpp"
#include "fuzz_tables.hpp"
#include "input/case_writer.hpp"
#include "input/db_numbers.hpp"
#include "input/water_intake.hpp"
#include "input/waters.hpp"
#include "text/stop.hpp"

namespace {

// The 13 significant digits of a total in its fixed columns (fewer for a
// negative value with a three-digit exponent), and the lost bits of a value
// below the smallest normal double.
bool closeEnough(double read, double written) {
    return std::fabs(read - written) <= 1e-11 * std::fmax(std::fabs(read), std::fabs(written)) + 1e-300;
}

bool givesTotal(const wq::WaterSample& w, int number) {
    for (const wq::ComponentTotal& total : w.totals)
        if (total.number == number) return true;
    return false;
}

// The water given as a value against the same one read from its text: one
// water field by field, one run input bit for bit. (A file cannot say "as
// analysed": its switch 0 balances only a water with a held total.)
void checkValuesReadFromText(wq::Water water, const std::string& text) {
    if (water.chargeBalance.when == wq::ChargeBalance::When::never)
        water.chargeBalance.when = wq::ChargeBalance::When::whenTotalsHeld;
    wq::Channels quiet;
    quiet.silence();
    wq::TextFile file("WQCASE.DAT", text);
    try {
        const wq::RunInputRead read = wq::readRunInput(file, quiet);
        FUZZ_REQUIRE(wq::testing::waterDifference(read.water, water).empty());
        FUZZ_REQUIRE(wq::testing::caseInputDifference(read.input, wq::caseOfWater(water, quiet)).empty());
    } catch (const wq::Stop&) {
        std::abort();  // either way, the run input must read (the template's forced mineral is held)
    }
}

void checkRoundTrip(const wq::WaterSample& w) {
    const wq::Program& t = wq::fuzz::templateProgram();
    // The template's forced mineral fixes Cl-: a water without Cl- cannot
    // hold it, and its run input is refused (the batch records why).
    if (!givesTotal(w, t.comp[t.forced[1].component].dbNumber)) return;
    const wq::Water water = wq::waterRunInput(wq::fuzz::templateCase(), wq::fuzz::bundledCatalog(), w);
    const std::string text = wq::runInputText(water, wq::fuzz::bundledCatalog());
    FUZZ_REQUIRE(text == wq::writeCase(wq::fuzz::templateCase(), wq::fuzz::bundledCatalog(), w));
    checkValuesReadFromText(water, text);
    std::unique_ptr<wq::Program> p = wq::fuzz::quietProgram();
    p->caseFile = wq::TextFile("WQCASE.DAT", text);
    try {
        wq::readCase(*p);
    } catch (const wq::Stop&) {
        std::abort();  // the case writer wrote a run input that does not read back
    }
    const wq::RunInput& in = p->input;
    std::string title(w.name.substr(0, 80));
    while (!title.empty() && title.back() == ' ') title.pop_back();
    FUZZ_REQUIRE(in.title1.trimmed().size() <= title.size() && title.rfind(std::string(in.title1.trimmed()), 0) == 0);
    // Below 20 C a saturation run's water is an extended run at 1.013 bar
    // (or its own pressure); below the triple point it is at 0.01 C.
    const double temperature = std::max(w.temperature.value_or(t.input.temperature), wq::TRIPLE_POINT_C);
    const bool cold = temperature < wq::SATURATION_RUN_LOWEST_C;
    FUZZ_REQUIRE(in.temperature == temperature);
    FUZZ_REQUIRE(in.pressure == w.pressure.value_or(cold ? wq::COLD_WATER_PRESSURE_BAR : t.input.pressure));
    FUZZ_REQUIRE(in.pH == (w.pH ? *w.pH : 0.0));
    FUZZ_REQUIRE(in.alkalinity == w.alkalinity.value_or(0.0));
    FUZZ_REQUIRE(in.runKind == (cold ? 1 : t.input.runKind) && in.loopLimit == t.input.loopLimit &&
                 p->forced.count == t.forced.count + (w.logFugacityCO2 ? 1 : 0));
    // H+, H2O and the water's components: none of the template's others.
    FUZZ_REQUIRE(p->comp.count - (in.alkalinity != 0.0 && !givesTotal(w, wq::db::CARBONATE) ? 1 : 0) ==
                 2 + static_cast<int>(w.totals.size()) + (w.logFugacityCO2 && !w.pHFromCO2 && !givesTotal(w, wq::db::CARBONATE) ? 1 : 0));
    FUZZ_REQUIRE(closeEnough(p->comp[wq::WATER_SLOT].mtot, w.kgWater.value_or(t.comp[wq::WATER_SLOT].mtot)));
    for (const wq::ComponentTotal& total : w.totals) {
        const int position = p->map.position(total.number);
        FUZZ_REQUIRE(position != 0 && closeEnough(p->comp[position].mtot, total.moles));
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const wq::Program& t = wq::fuzz::templateProgram();
    std::string error;
    const std::optional<wq::WaterTable> table =
        wq::readWaterTable(text, wq::fuzz::bundledCatalog(), t.comp[wq::WATER_SLOT].mtot, error);
    if (!table) return 0;
    // A few rows a table: each round trip reads a whole run input, and the
    // fuzzer varies rows better by varying tables than by piling them up.
    constexpr std::size_t ROWS_CHECKED = 8;
    for (std::size_t k = 0; k < table->waters.size() && k < ROWS_CHECKED; ++k)
        if (table->waters[k].error.empty()) checkRoundTrip(table->waters[k]);
    return 0;
}
