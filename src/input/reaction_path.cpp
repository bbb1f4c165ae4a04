#include "input/reaction_path.hpp"

#include <cmath>
#include <filesystem>
#include <set>

// The one reader of TOML: toml++ compiled into this file alone, so that the
// program needs none of its shared library.
#define TOML_HEADER_ONLY 1
#include <toml++/toml.h>

#include "text/stop.hpp"

namespace wq {

namespace {

constexpr int MOST_RECORDS = 10000;

class PathReader {
public:
    explicit PathReader(std::string file) : file_(std::move(file)) {}

    [[noreturn]] void fail(int line, const std::string& what) const {
        stop(ExitStatus::error, file_ + " line " + std::to_string(line) + ": " + what);
    }

    int lineOf(const toml::node& n) const { return static_cast<int>(n.source().begin.line); }

    // Every key of `t` is one of `allowed`.
    void onlyKeys(const toml::table& t, const std::set<std::string>& allowed, const std::string& what) const {
        for (auto&& [key, value] : t)
            if (!allowed.count(std::string(key.str())))
                fail(lineOf(value), "unknown key \"" + std::string(key.str()) + "\" in " + what);
    }

    const toml::node& required(const toml::table& t, const char* key, const std::string& what) const {
        const toml::node* n = t.get(key);
        if (!n) fail(lineOf(t), what + " needs the key \"" + key + "\"");
        return *n;
    }

    double number(const toml::node& n, const std::string& what) const {
        if (!n.is_number()) fail(lineOf(n), what + " must be a number");
        const double x = n.value<double>().value_or(NAN);
        if (!std::isfinite(x)) fail(lineOf(n), what + " must be a finite number");
        return x;
    }

    int count(const toml::node& n, const std::string& what) const {
        if (!n.is_integer()) fail(lineOf(n), what + " must be a whole number");
        const long long k = n.value<long long>().value_or(0);
        if (k < 1 || k > MOST_RECORDS)
            fail(lineOf(n), what + " must be from 1 to " + std::to_string(MOST_RECORDS) + " (it is " + std::to_string(k) + ")");
        return static_cast<int>(k);
    }

    std::string text(const toml::node& n, const std::string& what, const char* kind = "a file name") const {
        if (!n.is_string() || n.value<std::string>()->empty()) fail(lineOf(n), what + " must be " + kind + " in quotes");
        return *n.value<std::string>();
    }

    // A table of names to numbers: { HCl = 1.0 }.
    std::vector<NamedValue> named(const toml::node& n, const std::string& what) const {
        const toml::table* t = n.as_table();
        if (!t) fail(lineOf(n), what + " must be a table of names and numbers, as { Calcite = 0.0 }");
        std::vector<NamedValue> values;
        for (auto&& [key, value] : *t)
            values.push_back({std::string(key.str()), number(value, what + " " + std::string(key.str())), lineOf(value)});
        return values;
    }

    // A file named by the path file, from the path file's folder.
    std::string besidePathFile(const std::string& name) const {
        const std::filesystem::path given(name);
        if (given.is_absolute()) return name;
        return (std::filesystem::path(file_).parent_path() / given).lexically_normal().string();
    }

    void readMix(const toml::table& t, PathStep& s) const {
        onlyKeys(t, {"kind", "with", "fractions"}, "a mix step");
        s.mix.with = text(required(t, "with", "a mix step"), "with");
        s.mix.withPath = besidePathFile(s.mix.with);
        const toml::node& f = required(t, "fractions", "a mix step");
        const toml::array* a = f.as_array();
        if (!a || a->empty()) fail(lineOf(f), "fractions must be a list of numbers, as [0.1, 0.2]");
        if (a->size() > MOST_RECORDS) fail(lineOf(f), "fractions holds more than " + std::to_string(MOST_RECORDS));
        for (const toml::node& x : *a) {
            const double fraction = number(x, "a fraction");
            if (fraction < 0.0 || fraction > 1.0)
                fail(lineOf(x), "a fraction of the other water must be from 0 to 1");
            s.mix.fractions.push_back(fraction);
        }
    }

    // The reactant: a table of components to moles, or a name of the database.
    void readReactant(const toml::node& n, AddStep& a, int stepLine) const {
        if (n.is_string()) {
            a.named = NamedValue{text(n, "reactant", "a name"), 1.0, lineOf(n)};
            return;
        }
        a.reactant = named(n, "the reactant's");
        if (a.reactant.empty()) fail(stepLine, "the reactant names no component");
    }

    // until = { pH = 4.5 }, { SI = { Calcite = 0.0 } } or { log_f = { "CO2(g)" = -2.0 } }.
    Until readUntil(const toml::node& n) const {
        const std::string form = "until names one of pH, SI or log_f: { pH = 4.5 }, { SI = { Calcite = 0.0 } }, "
                                 "{ log_f = { \"CO2(g)\" = -2.0 } }";
        const toml::table* t = n.as_table();
        if (!t || t->size() != 1) fail(lineOf(n), form);
        std::string variable;
        const toml::node* only = nullptr;
        for (auto&& [key, node] : *t) {
            variable = std::string(key.str());
            only = &node;
        }
        const toml::node& value = *only;
        if (variable == "pH") return {UntilKind::pH, {"pH", number(value, "until pH"), lineOf(value)}};
        if (variable != "SI" && variable != "log_f") fail(lineOf(value), form);
        const std::vector<NamedValue> phase = named(value, "until " + variable + " of");
        if (phase.size() != 1) fail(lineOf(value), "until " + variable + " names one phase: " + form);
        return {variable == "SI" ? UntilKind::saturationIndex : UntilKind::logFugacity, phase.front()};
    }

    void readAdd(const toml::table& t, PathStep& s) const {
        onlyKeys(t, {"kind", "reactant", "amount", "increments", "until"}, "an add step");
        readReactant(required(t, "reactant", "an add step"), s.add, s.line);
        const toml::node& amount = required(t, "amount", "an add step");
        s.add.amount = number(amount, "amount");
        if (s.add.amount <= 0.0) fail(lineOf(amount), "amount must be above 0 (mol per kg of the starting water)");
        if (const toml::node* n = t.get("increments")) s.add.increments = count(*n, "increments");
        if (const toml::node* n = t.get("until")) s.add.until = readUntil(*n);
    }

    // precipitate = "equilibrium" | "fractional" (an evaporate step: | "none").
    void readPrecipitation(const toml::table& t, PathStep& s, bool noneAllowed) const {
        const toml::node* n = t.get("precipitate");
        if (!n) return;
        const std::string how = n->value<std::string>().value_or("");
        if (how == "equilibrium") s.precipitate = Precipitation::equilibrium;
        else if (how == "fractional") s.precipitate = Precipitation::fractional;
        else if (how == "none" && noneAllowed) s.precipitate = Precipitation::none;
        else fail(lineOf(*n), std::string("precipitate is \"equilibrium\" or \"fractional\"") + (noneAllowed ? " or \"none\"" : ""));
    }

    double temperatureOf(const toml::table& t, const char* key, const std::string& what) const {
        const toml::node& n = required(t, key, what);
        const double c = number(n, key);
        if (c < 0.0 || c > 1000.0) fail(lineOf(n), std::string(key) + " must be a temperature from 0 to 1000 C");
        return c;
    }

    void readEquilibrate(const toml::table& t, PathStep& s) const {
        onlyKeys(t, {"kind", "minerals", "gases", "precipitate"}, "an equilibrate step");
        readPrecipitation(t, s, false);
        if (const toml::node* n = t.get("minerals")) s.equilibrate.minerals = named(*n, "the target log Q/K of");
        if (const toml::node* n = t.get("gases")) s.equilibrate.gases = named(*n, "the log fugacity of");
        if (s.equilibrate.minerals.empty() && s.equilibrate.gases.empty())
            fail(s.line, "an equilibrate step names no mineral and no gas");
    }

    bool flag(const toml::table& t, const char* key, bool otherwise) const {
        const toml::node* n = t.get(key);
        if (!n) return otherwise;
        if (!n->is_boolean()) fail(lineOf(*n), std::string(key) + " must be true or false");
        return *n->value<bool>();
    }

    void readTemperature(const toml::table& t, PathStep& s) const {
        onlyKeys(t, {"kind", "from", "to", "steps", "keep_equilibrium", "precipitate"}, "a temperature step");
        s.temperature.from = temperatureOf(t, "from", "a temperature step");
        s.temperature.to = temperatureOf(t, "to", "a temperature step");
        if (const toml::node* n = t.get("steps")) s.temperature.steps = count(*n, "steps");
        s.temperature.keepEquilibrium = flag(t, "keep_equilibrium", true);
        readPrecipitation(t, s, false);
    }

    void readBoil(const toml::table& t, PathStep& s) const {
        onlyKeys(t, {"kind", "from", "to", "steps", "open"}, "a boil step");
        s.boil.from = temperatureOf(t, "from", "a boil step");
        s.boil.to = temperatureOf(t, "to", "a boil step");
        if (s.boil.to >= s.boil.from || s.boil.from > 350.0 || s.boil.to < 1.0)
            fail(s.line, "a boil step cools from \"from\" to a lower \"to\", from at most 350 C to at least 1 C");
        if (const toml::node* n = t.get("steps")) s.boil.steps = count(*n, "steps");
        s.boil.open = flag(t, "open", true);
    }

    void readEvaporate(const toml::table& t, PathStep& s) const {
        onlyKeys(t, {"kind", "to", "steps", "minerals", "precipitate"}, "an evaporate step");
        const toml::node& to = required(t, "to", "an evaporate step");
        s.evaporate.to = number(to, "to");
        if (s.evaporate.to <= 1.0) fail(lineOf(to), "to must be a concentration factor above 1");
        if (const toml::node* n = t.get("steps")) s.evaporate.steps = count(*n, "steps");
        if (const toml::node* n = t.get("minerals")) {
            const toml::array* a = n->as_array();
            if (!a || a->empty()) fail(lineOf(*n), "minerals must be a list of mineral names, as [\"Gypsum\", \"Halite\"]");
            for (const toml::node& m : *a) s.evaporate.minerals.push_back({text(m, "a mineral", "a name"), 0.0, lineOf(m)});
        }
        readPrecipitation(t, s, true);
    }

    PathStep readStep(const toml::node& n) const {
        const toml::table* t = n.as_table();
        if (!t) fail(lineOf(n), "a step must be a table: [[step]]");
        PathStep s;
        s.line = lineOf(n);
        const toml::node& kind = required(*t, "kind", "a step");
        const std::string k = kind.value<std::string>().value_or("");
        if (k == "mix") {
            s.kind = StepKind::mix;
            readMix(*t, s);
        } else if (k == "add") {
            s.kind = StepKind::add;
            readAdd(*t, s);
        } else if (k == "equilibrate") {
            s.kind = StepKind::equilibrate;
            readEquilibrate(*t, s);
        } else if (k == "temperature") {
            s.kind = StepKind::temperature;
            readTemperature(*t, s);
        } else if (k == "boil") {
            s.kind = StepKind::boil;
            readBoil(*t, s);
        } else if (k == "evaporate") {
            s.kind = StepKind::evaporate;
            readEvaporate(*t, s);
        } else {
            fail(lineOf(kind),
                 "unknown step kind \"" + k + "\" (known: mix, add, equilibrate, temperature, boil, evaporate)");
        }
        return s;
    }

    ReactionPath read(const std::string& content) const {
        toml::table doc;
        try {
            doc = toml::parse(content, file_);
        } catch (const toml::parse_error& e) {
            fail(static_cast<int>(e.source().begin.line), std::string(e.description()));
        }
        onlyKeys(doc, {"start", "step"}, "the path file");
        ReactionPath path;
        path.file = file_;
        const toml::table* start = doc["start"].as_table();
        if (!start) fail(1, "the path file needs a [start] table with case = \"WQCASE.DAT\"");
        onlyKeys(*start, {"case"}, "[start]");
        path.startCase = text(required(*start, "case", "[start]"), "case");
        path.startPath = besidePathFile(path.startCase);
        if (const toml::node* steps = doc.get("step")) {
            const toml::array* a = steps->as_array();
            if (!a) fail(lineOf(*steps), "steps are tables [[step]]");
            for (const toml::node& n : *a) path.steps.push_back(readStep(n));
        }
        return path;
    }

private:
    std::string file_;
};

}  // namespace

const char* stepKindName(StepKind kind) {
    switch (kind) {
        case StepKind::mix: return "mix";
        case StepKind::add: return "add";
        case StepKind::equilibrate: return "equilibrate";
        case StepKind::temperature: return "temperature";
        case StepKind::boil: return "boil";
        case StepKind::evaporate: break;
    }
    return "evaporate";
}

ReactionPath readReactionPath(const std::string& text, const std::string& file) {
    return PathReader(file).read(text);
}

}  // namespace wq
