// The steps of a reaction path on one state (reaction_path.hpp), shared by
// the files that hold them: the water's steps (mix, add, equilibrate,
// temperature: reaction_path.cpp) and the steps that take its water away
// (boil, evaporate: reaction_water_steps.cpp).
#pragma once

#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "input/reaction_path.hpp"
#include "run/mineral_amounts.hpp"
#include "run/compute_run.hpp"
#include "run/reaction_inputs.hpp"

namespace wq {

struct CarriedState;

class ReactionSteps {
public:
    ReactionSteps(SolverState& p, const RunHooks& hooks, const ReactionInputs& inputs, ReactionResult& result);
    ~ReactionSteps();

    // One step's records; false when one failed (the path ends there).
    bool take(int index, const PathStep& s);

private:
    std::optional<Results> run(const std::vector<double>& totals, const std::vector<HeldMineral>& held, std::string& why);
    static double totalOf(const std::vector<double>& totals, int k, const std::vector<HeldMineral>& held);
    std::optional<Results> hold(const std::vector<double>& totals, std::vector<HeldMineral>& held, std::string& why);
    std::optional<Results> holdAs(Precipitation how, std::vector<HeldMineral>& held, std::string& why);
    std::vector<HeldMineral>::iterator leave(std::vector<HeldMineral>& held, std::vector<HeldMineral>::iterator h);
    std::vector<TransferAmount> transfer(const std::vector<HeldMineral>& held) const;
    static void addTo(std::vector<TransferAmount>& all, const TransferAmount& a);
    ReactionRecord recordAt(double variable) const;
    bool record(ReactionRecord rec, std::optional<Results> r, const std::string& why,
                const std::vector<HeldMineral>& held, bool carried = true);
    void release();
    void setAsidePrecipitated();
    void carryLastRun();

    bool mix(const MixStep& m);
    bool add(const AddStep& a);
    bool equilibrate(const PathStep& s);
    bool heat(const PathStep& s);
    bool boil(const BoilStep& b);
    bool boilStage(const BoilStep& b, double from, double at, std::vector<double>& liquid, double& liquidKg);
    bool evaporate(const PathStep& s);

    SolverState& p_;
    const RunHooks& hooks_;
    const ReactionInputs& inputs_;
    ReactionResult& result_;
    std::unique_ptr<CarriedState> last_;
    double kgw0_ = 1.0;  // the starting water's mass of water, kg
    double kgw_ = 1.0;   // the water's now (boiling and evaporation take it away)
    std::vector<double> base_;  // the totals, by position, before what the phases held took out
    std::vector<HeldMineral> minerals_, gases_;  // every one of the run
    std::vector<HeldMineral> held_;             // held at their targets since the last equilibrate
    std::set<std::string> setAside_;            // held, precipitated on a fractional step, taken out
    std::map<std::string, double> inContact_;   // fractional: the moles of each held when last set aside
    std::vector<TransferAmount> moved_;          // by the steps before, per kg of the starting water
    std::optional<double> temperature_;         // set by a temperature or boil step, kept after it
    int step_ = 0;
    std::string kind_;
};

}  // namespace wq
