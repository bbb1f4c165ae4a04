#include "input/case_writer.hpp"

#include <gtest/gtest.h>

#include <string>

#include "input/component_catalog.hpp"
#include "app/run_sequence.hpp"
#include "input/run_input.hpp"
#include "input/waters.hpp"
#include "support/test_program.hpp"

namespace wq {
namespace {

using testing::newProgram;
using testing::TestProgram;

// A template with a forced mineral after its components, and an alkalinity
// without a carbonate component (the reader appends one).
const std::string TEMPLATE =
    "Template water\n"
    "second title\n"
    "x\nx\n"
    " 1.0E-9  7.5  0.0  0.002  30.0  0.0  1.0E-10  1.0\n"
    "x\nx\nx\n"
    " 0 1 0 1 60 3 0 1 0 0 0\n"
    "x\nx\n"
    "    1 H+             0.0000000000E+00   1.0000000000E-07   1.0000000000E+00\n"
    "    2 H2O            1.5000000000E+00   1.0000000000E+00   0.9000000000E+00\n"
    "    3 Cl-            2.0000000000E-02   1.0000000000E-02   0.9000000000E+00\n"
    "    9 Ca++           1.0000000000E-03   5.0000000000E-04   0.8000000000E+00\n"
    "    0\n"
    "Minerals\n"
    "Calcite               9     0.100\n";

ComponentCatalog catalog() {
    ComponentCatalog c;
    c.components = {{1, "H+", 1, 1.0079}, {2, "H2O", 0, 18.0152}, {3, "Cl-", -1, 35.453},
                    {5, "HCO3-", -1, 61.0171}, {9, "Ca++", 2, 40.08}, {13, "Na+", 1, 22.9898}};
    return c;
}

std::unique_ptr<TestProgram> read(const std::string& text) {
    auto p = newProgram(testing::Channels::captured);
    p->caseFile = TextFile("WQCASE.DAT", text);
    readCase(*p);
    return p;
}

// The template as the reader gives it to the case writer.
CaseInput templateCase(const TestProgram& t) {
    TextFile file = t.caseFile;
    Channels quiet;
    quiet.silence();
    return readRunInput(file, quiet);
}

TEST(CaseWriter, ATemplateWrittenBackReadsTheSame) {
    auto t = read(TEMPLATE);
    EXPECT_EQ(t->input.componentRecords, 4);
    EXPECT_EQ(t->comp.count, 5);  // the carbonate component appended for the alkalinity
    WaterSample same;
    same.name = "Template water";
    auto again = read(writeCase(templateCase(*t), t->caseFile, catalog(), same));
    EXPECT_EQ(again->comp.count, t->comp.count);
    for (int k = 1; k <= t->comp.count; ++k) {
        EXPECT_EQ(again->comp[k].dbNumber, t->comp[k].dbNumber) << k;
        EXPECT_EQ(again->comp[k].mtot, t->comp[k].mtot) << k;
        EXPECT_EQ(again->sp[k].molality, t->sp[k].molality) << k;
        EXPECT_EQ(again->sp[k].gamma, t->sp[k].gamma) << k;
    }
    const RunInput& a = again->input;
    const RunInput& b = t->input;
    EXPECT_EQ(a.title1.view(), b.title1.view());
    EXPECT_EQ(a.title2.view().substr(0, 14), "Template water");
    EXPECT_EQ(a.convergence, b.convergence);
    EXPECT_EQ(a.pH, b.pH);
    EXPECT_EQ(a.alkalinity, b.alkalinity);
    EXPECT_EQ(a.temperature, b.temperature);
    EXPECT_EQ(a.printThreshold, b.printThreshold);
    EXPECT_EQ(a.loopLimit, b.loopLimit);
    EXPECT_EQ(a.chargeBalancePosition, b.chargeBalancePosition);
    EXPECT_EQ(a.geothermometer, b.geothermometer);
    ASSERT_EQ(again->forced.count, 1);
    EXPECT_EQ(again->forced[1].mineral.view().substr(0, 7), "Calcite");
    EXPECT_EQ(again->forced[1].target, 0.1);
}

TEST(CaseWriter, TheWatersValuesReplaceTheTemplatesAndNewComponentsFollow) {
    auto t = read(TEMPLATE);
    WaterSample w;
    w.name = "Well 7, spring 1991";
    w.temperature = 55.5;
    w.pH = 0.0;  // computed
    w.alkalinity = 0.0031;
    w.kgWater = 0.99;
    w.totals = {{9, 0.004}, {13, 0.012}};
    auto p = read(writeCase(templateCase(*t), t->caseFile, catalog(), w));
    EXPECT_EQ(p->input.title1.view().substr(0, 19), "Well 7, spring 1991");
    EXPECT_EQ(p->input.temperature, 55.5);
    EXPECT_EQ(p->input.pH, 0.0);
    EXPECT_EQ(p->conditions.alkalinity, 0.0031 * 0.99);
    ASSERT_EQ(p->comp.count, 6);  // H+, H2O, Cl-, Ca++, Na+ and the appended carbonate
    EXPECT_EQ(p->comp[WATER_SLOT].mtot, 0.99);
    EXPECT_EQ(p->comp[3].mtot, 0.02);  // not in the table: the template's moles
    EXPECT_EQ(p->comp[4].mtot, 0.004);
    EXPECT_NEAR(p->sp[4].molality, 0.004 / 0.99, 1e-15);  // the given total starts the iteration
    EXPECT_EQ(p->comp[5].dbNumber, 13);
    EXPECT_EQ(p->comp[5].mtot, 0.012);
    EXPECT_EQ(p->comp[6].dbNumber, 5);
    EXPECT_EQ(p->forced.count, 1);
}

}  // namespace
}  // namespace wq
