#include "input/redox_options.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "text/table_value.hpp"

namespace wq {

namespace {

struct NumericKind {
    std::string_view key;
    RedoxState::Kind kind;
    double lowest, highest;  // what a water can have, with a wide margin
    std::string_view unit;
};

// The states given by a number, by the word before the "=". Natural waters
// lie within Eh -0.6 to +1.2 V and pe -10 to +20 at 25 C (Baas Becking,
// Kaplan & Moore 1960); the bounds leave room for any temperature and for
// the ends of water's own stability (log fO2 far below -100 at 25 C in the
// most reducing waters).
constexpr NumericKind NUMERIC_KINDS[] = {
    {"Eh", RedoxState::Kind::eh, -3.0, 3.0, " V"},
    {"pe", RedoxState::Kind::pe, -50.0, 50.0, ""},
    {"logfO2", RedoxState::Kind::oxygenFugacity, -300.0, 10.0, ""},
};

constexpr std::string_view DISSOLVED_OXYGEN = "O2,aq";

std::string_view trim(std::string_view s) {
    const auto first = s.find_first_not_of(" \t");
    if (first == std::string_view::npos) return {};
    return s.substr(first, s.find_last_not_of(" \t") - first + 1);
}

std::string quoted(std::string_view s) { return "\"" + std::string(s) + "\""; }

// One value by the rules of a table's values: one sign at most, finite, of
// magnitude at most 10^6, and nothing else in the text.
// A number beyond the table's bound reads as a number (the range check
// that follows says it is out of range).
bool readValue(std::string_view text, double& value) {
    const char* end = text.data() + text.size();
    ValueFault fault = ValueFault::none;
    if (text.empty()) return false;
    if (checkTableValue(text.data(), end, fault) != end && fault != ValueFault::beyondBound &&
        fault != ValueFault::outOfRange)
        return false;
    if (fault == ValueFault::outOfRange) {
        value = text.find('-') == 0 ? -HUGE_VAL : HUGE_VAL;
        return true;
    }
    return readFreeValue(text.data(), end, value) == end;
}

std::string plainNumber(double v) {
    char text[32];
    std::snprintf(text, sizeof text, "%g", v);
    return text;
}

const char* const STATE_FORMS = "none, Eh=V, pe=X, logfO2=X, O2,aq or a couple REDUCED/OXIDIZED such as Fe++/Fe+++";

}  // namespace

std::optional<RedoxState> parseRedoxState(std::string_view text, std::string& why) {
    const std::string_view t = trim(text);
    RedoxState state;
    if (t == "none") return state;
    if (t == DISSOLVED_OXYGEN) {
        state.kind = RedoxState::Kind::dissolvedOxygen;
        return state;
    }
    if (const auto equals = t.find('='); equals != std::string_view::npos) {
        const std::string_view key = trim(t.substr(0, equals));
        const std::string_view number = trim(t.substr(equals + 1));
        for (const NumericKind& k : NUMERIC_KINDS) {
            if (key != k.key) continue;
            if (!readValue(number, state.value)) {
                why = "redox state " + quoted(t) + ": " + quoted(number) + " is not a number";
                return std::nullopt;
            }
            if (!(state.value >= k.lowest && state.value <= k.highest)) {
                why = "redox state " + quoted(t) + ": " + std::string(k.key) + " is out of range (from " +
                      plainNumber(k.lowest) + " to " + plainNumber(k.highest) + std::string(k.unit) + ")";
                return std::nullopt;
            }
            state.kind = k.kind;
            return state;
        }
    } else if (const auto slash = t.find('/'); slash != std::string_view::npos && slash > 0 &&
                                               slash + 1 < t.size() && t.find('/', slash + 1) == std::string_view::npos &&
                                               t.find_first_of(" \t") == std::string_view::npos) {
        state.kind = RedoxState::Kind::couple;
        state.couple = std::string(t);
        return state;
    }
    why = "unknown redox state " + quoted(t) + " (use " + STATE_FORMS + ")";
    return std::nullopt;
}

std::string redoxStateText(const RedoxState& state) {
    switch (state.kind) {
        case RedoxState::Kind::none: return "none";
        case RedoxState::Kind::eh: return "Eh " + plainNumber(state.value) + " V";
        case RedoxState::Kind::pe: return "pe " + plainNumber(state.value);
        case RedoxState::Kind::oxygenFugacity: return "log fO2 " + plainNumber(state.value);
        case RedoxState::Kind::dissolvedOxygen: return "dissolved oxygen";
        case RedoxState::Kind::couple: return "couple " + state.couple;
    }
    return "none";
}

bool RedoxOptions::decouples(std::string_view element) const {
    return std::find(decoupled.begin(), decoupled.end(), element) != decoupled.end();
}

std::optional<std::vector<std::string>> parseDecoupledElements(std::string_view list, std::string& why) {
    std::vector<std::string> elements;
    std::size_t start = 0;
    for (;;) {
        const std::size_t comma = list.find(',', start);
        const std::string_view piece = trim(list.substr(start, comma == std::string_view::npos ? comma : comma - start));
        const bool known = std::find(std::begin(DECOUPLABLE_ELEMENTS), std::end(DECOUPLABLE_ELEMENTS), piece) !=
                           std::end(DECOUPLABLE_ELEMENTS);
        if (!known) {
            why = "cannot keep " + quoted(piece) + " decoupled: the elements with a redox pair are N, C, S, Fe and As";
            return std::nullopt;
        }
        if (std::find(elements.begin(), elements.end(), piece) != elements.end()) {
            why = "element " + std::string(piece) + " is named twice in the decoupled elements";
            return std::nullopt;
        }
        elements.emplace_back(piece);
        if (comma == std::string_view::npos) return elements;
        start = comma + 1;
    }
}

}  // namespace wq
