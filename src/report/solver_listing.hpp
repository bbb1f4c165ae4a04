// The solve's lines on the listing and the console of the console program:
// the progress of the Newton loops, the debug trace of each loop, the
// refinement report of the linear solve, the warnings and the messages of a
// run that ends without a water. The solver calls them at their places
// through its observer (src/solver/solve_observer.hpp); the layouts are
// written here.
#pragma once

#include <string>

#include "solver/solve_observer.hpp"

namespace wq {

struct Channels;

class SolverListing : public SolveObserver {
public:
    // io: the channels of the state being solved. loopTwoListing writes the
    // result listing of that state (the debug trace of loop 2); may be null.
    explicit SolverListing(Channels& io, void (*loopTwoListing)(SolverState&) = nullptr)
        : io_(io), loopTwoListing_(loopTwoListing) {}

    void debugTables(SolverState& prog) override;
    void forcedMineralMissing(const SolverState& prog, int entry) override;
    void loopStarting(int loopsDone, double ionicStrength) override;
    void fixedPHRowUsed() override;
    void alkalinityRowUsed() override;
    void mineralWithoutComponent(const SolverState& prog, int mineral, int component) override;
    void loopTwoState(SolverState& prog) override;
    void newtonMatrix(const NewtonSystem& sys) override;
    void singularSystem() override;
    void newtonStep(const NewtonSystem& sys) override;
    void linearSolved(const LinearSolveReport& report) override;
    void molalityFloored(const SolverState& prog, int component, double lowest) override;
    void loopEnded(int loop, double ionicStrength) override;
    void activityCoefficientsRefreshed() override;
    void iterationStopped(const SolverState& prog, const IterationStop& stopped) override;
    void noSolution(const std::string& why) override;

private:
    Channels& io_;
    void (*loopTwoListing_)(SolverState&);
};

// The line saying that the water has no solution and why, on the listing and
// then the console.
void writeNoSolution(Channels& io, const std::string& why);

}  // namespace wq
