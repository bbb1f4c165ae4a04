// The reader of reaction-path files: a path's steps come out as the file
// says them, the start's run input beside the path file; every fault of a
// file is named with the line that has it.
#include <gtest/gtest.h>

#include <string>

#include "input/reaction_path.hpp"
#include "text/stop.hpp"

namespace wq {
namespace {

TEST(ReactionPathFile, ReadsEveryStepKindWithItsValues) {
    const ReactionPath p = readReactionPath(R"toml([start]
case = "WQCASE.DAT"
[[step]]
kind = "mix"
with = "other/RAIN.DAT"
fractions = [0.1, 0.5]
[[step]]
kind = "add"
reactant = { "H+" = 1.0, "Cl-" = 1 }
amount = 0.002
increments = 4
until = { pH = 4.5 }
[[step]]
kind = "equilibrate"
minerals = { Calcite = 0.5 }
gases = { "CO2(g)" = -1.5 }
[[step]]
kind = "temperature"
from = 25
to = 80.0
steps = 11
keep_equilibrium = false
)toml",
                                             "paths/p.toml");
    EXPECT_EQ(p.startPath, "paths/WQCASE.DAT");
    ASSERT_EQ(p.steps.size(), 4u);
    EXPECT_EQ(p.steps[0].mix.withPath, "paths/other/RAIN.DAT");
    EXPECT_EQ(p.steps[0].mix.fractions, (std::vector<double>{0.1, 0.5}));
    const AddStep& add = p.steps[1].add;
    ASSERT_EQ(add.reactant.size(), 2u);
    EXPECT_EQ(add.reactant[0].name, "Cl-");  // a TOML table is unordered: by name
    EXPECT_EQ(add.reactant[0].value, 1.0);  // an integer taken as a number
    EXPECT_EQ(add.increments, 4);
    ASSERT_TRUE(add.until);
    EXPECT_EQ(add.until->target.value, 4.5);
    EXPECT_EQ(add.until->kind, UntilKind::pH);
    EXPECT_EQ(p.steps[2].equilibrate.minerals[0].line, 15);
    EXPECT_EQ(p.steps[2].equilibrate.gases[0].value, -1.5);
    EXPECT_EQ(p.steps[3].line, 17);
    EXPECT_EQ(p.steps[3].temperature.steps, 11);
    EXPECT_FALSE(p.steps[3].temperature.keepEquilibrium);
}

TEST(ReactionPathFile, ReadsTheStepsThatTakeWaterAwayAndNamedReactants) {
    const ReactionPath p = readReactionPath(R"toml([start]
case = "WQCASE.DAT"
[[step]]
kind = "boil"
from = 250
to = 100
steps = 15
open = false
[[step]]
kind = "evaporate"
to = 150
minerals = ["Gypsum", "Halite"]
precipitate = "fractional"
[[step]]
kind = "add"
reactant = "HCl"
amount = 0.01
until = { log_f = { "CO2(g)" = -2.0 } }
)toml",
                                             "p.toml");
    ASSERT_EQ(p.steps.size(), 3u);
    EXPECT_EQ(p.steps[0].kind, StepKind::boil);
    EXPECT_EQ(p.steps[0].boil.steps, 15);
    EXPECT_FALSE(p.steps[0].boil.open);
    EXPECT_EQ(p.steps[1].evaporate.steps, 100);  // as wqspec evaporate takes it
    ASSERT_EQ(p.steps[1].evaporate.minerals.size(), 2u);
    EXPECT_EQ(p.steps[1].evaporate.minerals[1].line, 12);
    EXPECT_EQ(p.steps[1].precipitate, Precipitation::fractional);
    EXPECT_EQ(p.steps[0].precipitate, Precipitation::equilibrium);
    const AddStep& add = p.steps[2].add;
    ASSERT_TRUE(add.named);
    EXPECT_EQ(add.named->name, "HCl");
    EXPECT_TRUE(add.reactant.empty());
    ASSERT_TRUE(add.until);
    EXPECT_EQ(add.until->kind, UntilKind::logFugacity);
    EXPECT_EQ(add.until->target.name, "CO2(g)");
    EXPECT_EQ(add.until->target.value, -2.0);
}

struct BadPath {
    const char* why;
    const char* steps;      // after a good [start] of two lines
    const char* expected;   // the message, after "p.toml line "
};

const BadPath BAD_PATHS[] = {
    {"an unknown step kind", "[[step]]\nkind = \"melt\"\n", "4: unknown step kind \"melt\""},
    {"a misspelt key", "[[step]]\nkind = \"mix\"\nwith = \"B.DAT\"\nfraction = [0.5]\n", "6: unknown key \"fraction\""},
    {"a fraction beyond 1", "[[step]]\nkind = \"mix\"\nwith = \"B.DAT\"\nfractions = [0.5,\n 1.5]\n", "7: a fraction"},
    {"an amount of 0", "[[step]]\nkind = \"add\"\nreactant = { HCl = 1 }\namount = 0\n", "6: amount must be above 0"},
    {"a text for a number", "[[step]]\nkind = \"temperature\"\nfrom = \"hot\"\nto = 80\n", "5: from must be a number"},
    {"a stop on another variable", "[[step]]\nkind = \"add\"\nreactant = { HCl = 1 }\namount = 1\nuntil = { Eh = 0.1 }\n",
     "7: until names one of pH, SI or log_f"},
    {"a stop on two minerals", "[[step]]\nkind = \"add\"\nreactant = \"HCl\"\namount = 1\n"
     "until = { SI = { Calcite = 0, Gypsum = 0 } }\n", "7: until SI names one phase"},
    {"a reactant named by a number", "[[step]]\nkind = \"add\"\nreactant = 1\namount = 1\n",
     "5: the reactant's must be a table"},
    {"a boil that heats", "[[step]]\nkind = \"boil\"\nfrom = 100\nto = 250\n", "3: a boil step cools"},
    {"a boil from above 350 C", "[[step]]\nkind = \"boil\"\nfrom = 360\nto = 250\n", "3: a boil step cools"},
    {"an open that is no flag", "[[step]]\nkind = \"boil\"\nfrom = 250\nto = 100\nopen = 1\n",
     "7: open must be true or false"},
    {"an evaporation that dilutes", "[[step]]\nkind = \"evaporate\"\nto = 0.5\n", "5: to must be a concentration factor"},
    {"a misspelt way to precipitate", "[[step]]\nkind = \"evaporate\"\nto = 10\nprecipitate = \"fraction\"\n",
     "6: precipitate is \"equilibrium\" or \"fractional\" or \"none\""},
    {"no none but for evaporation", "[[step]]\nkind = \"equilibrate\"\nminerals = { Calcite = 0 }\n"
     "precipitate = \"none\"\n", "6: precipitate is \"equilibrium\" or \"fractional\""},
    {"a step with nothing to hold", "[[step]]\nkind = \"equilibrate\"\n", "3: an equilibrate step names no mineral"},
    {"no TOML", "[[step]]\nkind = = \"mix\"\n", "4: "},
};

TEST(ReactionPathFile, NamesTheLineOfEachFault) {
    for (const BadPath& bad : BAD_PATHS) {
        try {
            readReactionPath(std::string("[start]\ncase = \"A.DAT\"\n") + bad.steps, "p.toml");
            ADD_FAILURE() << bad.why << ": read without a fault";
        } catch (const Stop& s) {
            EXPECT_EQ(s.reason.rfind(std::string("p.toml line ") + bad.expected, 0), 0u) << bad.why << ": " << s.reason;
        }
    }
}

TEST(ReactionPathFile, NeedsItsStart) {
    try {
        readReactionPath("[[step]]\nkind = \"mix\"\n", "p.toml");
        ADD_FAILURE() << "a path without [start] was read";
    } catch (const Stop& s) {
        EXPECT_NE(s.reason.find("[start]"), std::string::npos) << s.reason;
    }
}

}  // namespace
}  // namespace wq
