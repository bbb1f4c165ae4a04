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

    std::string text(const toml::node& n, const std::string& what) const {
        if (!n.is_string() || n.value<std::string>()->empty()) fail(lineOf(n), what + " must be a file name in quotes");
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

    void readAdd(const toml::table& t, PathStep& s) const {
        onlyKeys(t, {"kind", "reactant", "amount", "increments", "until"}, "an add step");
        s.add.reactant = named(required(t, "reactant", "an add step"), "the reactant's");
        if (s.add.reactant.empty()) fail(s.line, "the reactant names no component");
        const toml::node& amount = required(t, "amount", "an add step");
        s.add.amount = number(amount, "amount");
        if (s.add.amount <= 0.0) fail(lineOf(amount), "amount must be above 0 (mol per kg of the starting water)");
        if (const toml::node* n = t.get("increments")) s.add.increments = count(*n, "increments");
        if (const toml::node* n = t.get("until")) {
            const std::vector<NamedValue> until = named(*n, "until");
            if (until.size() != 1 || until.front().name != "pH")
                fail(lineOf(*n), "until names one variable, pH: until = { pH = 4.5 }");
            s.add.until = until.front();
        }
    }

    void readEquilibrate(const toml::table& t, PathStep& s) const {
        onlyKeys(t, {"kind", "minerals", "gases"}, "an equilibrate step");
        if (const toml::node* n = t.get("minerals")) s.equilibrate.minerals = named(*n, "the target log Q/K of");
        if (const toml::node* n = t.get("gases")) s.equilibrate.gases = named(*n, "the log fugacity of");
        if (s.equilibrate.minerals.empty() && s.equilibrate.gases.empty())
            fail(s.line, "an equilibrate step names no mineral and no gas");
    }

    void readTemperature(const toml::table& t, PathStep& s) const {
        onlyKeys(t, {"kind", "from", "to", "steps", "keep_equilibrium"}, "a temperature step");
        s.temperature.from = number(required(t, "from", "a temperature step"), "from");
        s.temperature.to = number(required(t, "to", "a temperature step"), "to");
        if (const toml::node* n = t.get("steps")) s.temperature.steps = count(*n, "steps");
        if (const toml::node* n = t.get("keep_equilibrium")) {
            if (!n->is_boolean()) fail(lineOf(*n), "keep_equilibrium must be true or false");
            s.temperature.keepEquilibrium = *n->value<bool>();
        }
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
        } else {
            fail(lineOf(kind), "unknown step kind \"" + k + "\" (known: mix, add, equilibrate, temperature)");
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
        case StepKind::temperature: break;
    }
    return "temperature";
}

ReactionPath readReactionPath(const std::string& text, const std::string& file) {
    return PathReader(file).read(text);
}

}  // namespace wq
