// Programs built by hand for the tests: a Program on the heap whose tables a
// test fills entry by entry, output channels read back from temporary files,
// and the status of a run that must end in a STOP.
#pragma once

#include <gtest/gtest.h>

#include <initializer_list>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/program.hpp"
#include "text/stop.hpp"

namespace wq::testing {

// A sink on a fresh temporary file, read back as text: a channel of a
// program, or a sink of its own.
class Capture {
public:
    Capture() : Capture(own_) {}
    explicit Capture(Sink& sink);
    ~Capture();
    Capture(const Capture&) = delete;
    Capture& operator=(const Capture&) = delete;

    Sink& sink() { return sink_; }
    // Everything written so far.
    std::string text();
    // The lines written so far, without their line ends.
    std::vector<std::string> lines();

private:
    Sink own_;
    Sink& sink_;
    std::string path_;
};

// One term of a reaction: coefficient of the component at a run position.
struct RunTerm {
    int position;
    double coef;
};

// Writes a reaction into a species or mineral entry, term by term.
template <class Entry>
void setReaction(Entry& entry, std::initializer_list<RunTerm> reaction) {
    for (const RunTerm& t : reaction) {
        ++entry.itot;
        entry.comp[entry.itot] = t.position;
        entry.coef[entry.itot] = t.coef;
    }
}

enum class Channels { asBuilt, captured };

class TestProgram : public Program {
public:
    explicit TestProgram(Channels channels);

    // The next component (components come before every secondary species).
    int addComponent(int number, std::string_view name, double charge, double mtot, double molality,
                     double gamma = 1.0, double formulaWeight = 0.0);
    int addSecondary(std::string_view name, double charge, double logK, std::initializer_list<RunTerm> reaction = {},
                     double molality = 0.0, double gamma = 1.0);
    int addMineral(std::string_view name, double logK, std::initializer_list<RunTerm> reaction);
    int addGas(std::string_view name, double logK, std::initializer_list<RunTerm> reaction);

    // The components as the run-input reader leaves them: database numbers in
    // run-input order; the one numbered chargeBalanceNumber balances the charges.
    void useComponents(const std::vector<int>& numbers, int chargeBalanceNumber = 1);
    void saturationRun(double t);
    void extendedRun(double t, double p);
    void load(const std::string& databaseText);

    // What went to the captured channels so far.
    std::string console() { return captured(console_); }
    std::string listing() { return captured(listing_); }
    std::string plot() { return captured(plot_); }
    std::string skip() { return captured(skip_); }

private:
    static std::string captured(const std::unique_ptr<Capture>& channel);

    std::unique_ptr<Capture> console_, listing_, plot_, skip_;
};

// The tables are large for the stack.
inline std::unique_ptr<TestProgram> newProgram(Channels channels = Channels::asBuilt) {
    return std::make_unique<TestProgram>(channels);
}

// A fixture with a program as the run-input reader leaves it for the
// database readers: H+ and water, a saturation run at 25 C, every channel
// captured. SetUp after TearDown starts a fresh one.
class ProgramTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override { prog_.reset(); }
    TestProgram& prog() { return *prog_; }

private:
    std::unique_ptr<TestProgram> prog_;
};

// Runs f: the status of the STOP that ended it, nullopt when it returned.
// The reason of the stop, which main writes to the error stream, is kept in
// *reason.
template <class F>
std::optional<ExitStatus> stopOf(F f, std::string* reason = nullptr) {
    std::optional<ExitStatus> status;
    try {
        f();
    } catch (const Stop& s) {
        status = s.status;
        if (reason) *reason = s.reason;
    }
    return status;
}

}  // namespace wq::testing
