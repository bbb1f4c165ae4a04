// Cold waters on every front: a 10 C water, computed at 1.013 bar, is swept
// and evaporated by either activity model; the sweep follows 1.013 bar to
// 100 C and the saturation pressure above it (a water at 1.013 bar would
// boil there), and says so in its header.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "grid/grid.hpp"
#include "support/folder.hpp"
#include "text/csv.hpp"

namespace wq {
namespace {

using testing::Command;

std::vector<CsvRecord> rowsOf(const std::string& table) {
    std::string body;
    std::istringstream in(table);
    for (std::string line; std::getline(in, line);)
        if (!line.starts_with("#")) body += line + "\n";
    CsvReader reader(body);
    std::vector<CsvRecord> rows;
    std::string error;
    while (std::optional<CsvRecord> r = reader.next(error)) rows.push_back(std::move(*r));
    return rows;
}

TEST(ColdWaters, SweptAndEvaporatedByEitherModel) {
    for (const char* model : {"b-dot", "pitzer"}) {
        SCOPED_TRACE(model);
        testing::Folder folder(std::string("cold-") + model);
        folder.write("t.csv",
                     "name,T,pH,Na [mol/kgw],Cl [mol/kgw],Ca [mol/kgw],SO4 [mol/kgw],Mg [mol/kgw]\n"
                     "brine,10,7.5,1,1.1,0.02,0.03,0.02\n");
        const std::string activity = std::string(" --activity ") + model;
        const std::string database =
            std::string(model) == "b-dot" ? " --db " + std::string(WQSPEC_SOURCE_DIR) + "/examples/LOGKDATA.KDB" : "";
        ASSERT_EQ(folder.run("batch t.csv --write-cases ." + activity + database).status, 0);
        const Command sweep = folder.run("sweep --case brine/WQCASE.DAT --from 10 --to 150 --step 20 --out s.csv" +
                                         activity + database);
        ASSERT_EQ(sweep.status, 0) << sweep.err;
        const std::string table = folder.read("s.csv");
        EXPECT_NE(table.find("at 1.013 bar, or the saturation pressure where it is higher"), std::string::npos);
        const std::vector<CsvRecord> rows = rowsOf(table);
        ASSERT_EQ(rows.size(), 10u);  // the header, the run input's own run, 10 to 150 C
        for (std::size_t k = 1; k < rows.size(); ++k) {
            EXPECT_EQ(rows[k].fields[1], "converged") << rows[k].fields[3];
            const double t = std::stod(rows[k].fields[3]), p = std::stod(rows[k].fields[4]);
            EXPECT_NEAR(p, t <= 100.0 ? 1.013 : saturationPressure(t), 1e-9) << t;
        }
        const Command path =
            folder.run("evaporate --case brine/WQCASE.DAT --to 5 --steps 4 --out e.csv" + activity + database);
        ASSERT_EQ(path.status, 0) << path.err;
        const std::vector<CsvRecord> steps = rowsOf(folder.read("e.csv"));
        ASSERT_EQ(steps.size(), 6u);  // the header, F = 1 and four steps
        for (std::size_t k = 1; k < steps.size(); ++k) EXPECT_EQ(steps[k].fields[1], "converged") << steps[k].fields[0];
    }
}

}  // namespace
}  // namespace wq
