// libFuzzer target: the batch's table reader on any text. A table is
// refused with a message, or read into waters each of which either has its
// fault or holds finite values a run input can say; every name and every
// message is UTF-8 of bounded length. The same text read from a file one
// water at a time (as the batch reads its table) gives the same waters or
// the same refusal.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "fuzz_tables.hpp"
#include "input/water_row.hpp"
#include "input/waters.hpp"
#include "text/csv.hpp"

namespace {

bool finite(const std::optional<double>& v) { return !v || std::isfinite(*v); }

// The text read from a file, water by water, agrees with `table` read whole.
void requireSameFromFile(std::string_view text, const std::optional<wq::WaterTable>& table,
                         const std::string& error) {
    std::FILE* file = std::tmpfile();
    if (!file) return;
    std::fwrite(text.data(), 1, text.size(), file);
    std::rewind(file);
    wq::CsvReader records(file, "the table");
    std::vector<wq::WaterSample> waters;
    std::string fileError;
    const std::optional<wq::WaterTable> streamed = wq::readWaterTable(
        records, wq::fuzz::bundledCatalog(), 1.0, [&](wq::WaterSample&& w) { waters.push_back(std::move(w)); },
        fileError);
    std::fclose(file);
    FUZZ_REQUIRE(streamed.has_value() == table.has_value() && fileError == error);
    if (!table) return;
    FUZZ_REQUIRE(waters.size() == table->waters.size() && streamed->blankRows == table->blankRows);
    for (std::size_t k = 0; k < waters.size(); ++k)
        FUZZ_REQUIRE(waters[k].name == table->waters[k].name && waters[k].error == table->waters[k].error &&
                     waters[k].line == table->waters[k].line && waters[k].totals.size() == table->waters[k].totals.size());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    std::string error;
    const std::optional<wq::WaterTable> table = wq::readWaterTable(text, wq::fuzz::bundledCatalog(), 1.0, error);
    requireSameFromFile(text, table, error);
    if (!table) {
        FUZZ_REQUIRE(!error.empty() && wq::validUtf8(error));
        return 0;
    }
    FUZZ_REQUIRE(error.empty() && !table->waters.empty());
    for (const wq::WaterSample& w : table->waters) {
        FUZZ_REQUIRE(!w.name.empty() && wq::validUtf8(w.name) && wq::validUtf8(w.error));
        // A message echoes at most a cut piece of any cell, of a bounded
        // number of cells.
        FUZZ_REQUIRE(w.error.size() < wq::FAULTS_TOLD * (2 * wq::SHOWN_TEXT_BYTES + 200) + 100);
        if (!w.error.empty()) continue;
        for (char c : w.name) FUZZ_REQUIRE(static_cast<unsigned char>(c) >= 0x20 && c != 0x7F);
        FUZZ_REQUIRE(finite(w.temperature) && finite(w.pressure) && finite(w.pH) && finite(w.alkalinity));
        FUZZ_REQUIRE(!w.kgWater || (std::isfinite(*w.kgWater) && *w.kgWater > 0.0));
        for (const wq::ComponentTotal& t : w.totals) FUZZ_REQUIRE(std::isfinite(t.moles) && t.moles >= 0.0);
    }
    return 0;
}
