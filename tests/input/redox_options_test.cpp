#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "input/redox_options.hpp"

namespace wq {
namespace {

using Kind = RedoxState::Kind;

TEST(RedoxOptions, StatesAsWritten) {
    struct Case {
        const char* text;
        Kind kind;
        double value;
        const char* couple;
        const char* words;
    };
    const Case cases[] = {
        {"none", Kind::none, 0.0, "", "none"},
        {"Eh=0.35", Kind::eh, 0.35, "", "Eh 0.35 V"},
        {" Eh = -0.2 ", Kind::eh, -0.2, "", "Eh -0.2 V"},
        {"pe=-3.5", Kind::pe, -3.5, "", "pe -3.5"},
        {"logfO2=-68.25", Kind::oxygenFugacity, -68.25, "", "log fO2 -68.25"},
        {"O2,aq", Kind::dissolvedOxygen, 0.0, "", "dissolved oxygen"},
        {"Fe++/Fe+++", Kind::couple, 0.0, "Fe++/Fe+++", "couple Fe++/Fe+++"},
        {"HAsO2,aq/H2AsO4-", Kind::couple, 0.0, "HAsO2,aq/H2AsO4-", "couple HAsO2,aq/H2AsO4-"},
    };
    for (const Case& c : cases) {
        std::string why;
        const auto state = parseRedoxState(c.text, why);
        ASSERT_TRUE(state) << c.text << ": " << why;
        EXPECT_EQ(state->kind, c.kind) << c.text;
        EXPECT_EQ(state->value, c.value) << c.text;
        EXPECT_EQ(state->couple, c.couple) << c.text;
        EXPECT_EQ(redoxStateText(*state), c.words) << c.text;
        EXPECT_EQ(state->given(), c.kind != Kind::none) << c.text;
    }
}

TEST(RedoxOptions, MistakesAreRefusedWithWhatWasWritten) {
    struct Case {
        const char* text;
        const char* why;
    };
    const Case cases[] = {
        {"Eh=abc", "redox state \"Eh=abc\": \"abc\" is not a number"},
        {"Eh=nan", "redox state \"Eh=nan\": \"nan\" is not a number"},
        {"pe=1e400", "redox state \"pe=1e400\": pe is out of range (from -50 to 50)"},
        {"Eh=1e308", "redox state \"Eh=1e308\": Eh is out of range (from -3 to 3 V)"},
        {"Eh=+-0.3", "redox state \"Eh=+-0.3\": \"+-0.3\" is not a number"},
        {"Eh=0.3 V", "redox state \"Eh=0.3 V\": \"0.3 V\" is not a number"},
        {"Eh=", "redox state \"Eh=\": \"\" is not a number"},
        {"EH=0.3", "unknown redox state \"EH=0.3\""},
        {"Fe++/", "unknown redox state \"Fe++/\""},
        {"/Fe+++", "unknown redox state \"/Fe+++\""},
        {"Fe++/Fe+++/Fe", "unknown redox state \"Fe++/Fe+++/Fe\""},
        {"Fe++ / Fe+++", "unknown redox state \"Fe++ / Fe+++\""},
        {"", "unknown redox state \"\""},
        {"oxic", "unknown redox state \"oxic\""},
    };
    for (const Case& c : cases) {
        std::string why;
        EXPECT_FALSE(parseRedoxState(c.text, why)) << c.text;
        EXPECT_EQ(why.rfind(c.why, 0), 0u) << c.text << ": " << why;
    }
}

TEST(RedoxOptions, DecoupledElements) {
    struct Case {
        const char* list;
        std::vector<std::string> elements;  // empty: refused
        const char* why;
    };
    const Case cases[] = {
        {"N", {"N"}, ""},
        {"N,C", {"N", "C"}, ""},
        {" Fe , As ,S", {"Fe", "As", "S"}, ""},
        {"N,N", {}, "element N is named twice in the decoupled elements"},
        {"P", {}, "cannot keep \"P\" decoupled: the elements with a redox pair are N, C, S, Fe and As"},
        {"fe", {}, "cannot keep \"fe\" decoupled"},
        {"", {}, "cannot keep \"\" decoupled"},
        {"N,", {}, "cannot keep \"\" decoupled"},
    };
    for (const Case& c : cases) {
        std::string why;
        const auto elements = parseDecoupledElements(c.list, why);
        if (c.elements.empty()) {
            EXPECT_FALSE(elements) << c.list;
            EXPECT_EQ(why.rfind(c.why, 0), 0u) << c.list << ": " << why;
            continue;
        }
        ASSERT_TRUE(elements) << c.list << ": " << why;
        EXPECT_EQ(*elements, c.elements) << c.list;
        RedoxOptions options;
        options.decoupled = *elements;
        for (const std::string& e : c.elements) EXPECT_TRUE(options.decouples(e));
        EXPECT_FALSE(options.decouples("Mn"));
    }
}

}  // namespace
}  // namespace wq
