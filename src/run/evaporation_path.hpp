// The steps of an evaporation path (`wqspec evaporate`) on one state: the water
// of its run input, once computed at its own conditions, taken to one
// concentration factor after another, only concentrated or with every
// mineral that saturates held at saturation by the moles precipitated
// (Newton's method on the amounts, the derivatives by differences; a mineral
// that would have to dissolve more than has precipitated leaves the set, the
// most supersaturated one joins it, in place of a held mineral of the same
// components in the same proportions). On a fractional path what
// precipitates at a step leaves the brine: the next step starts from the
// brine alone, and nothing precipitated can dissolve again.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "run/compute_run.hpp"
#include "run/evaporation_result.hpp"
#include "run/mineral_amounts.hpp"

namespace wq {

struct SolverState;
struct CarriedState;

class EvaporationPath {
public:
    // `p` has just computed the starting water (its minerals read); the
    // candidates are the minerals that may precipitate; every run of the
    // path takes `hooks`, which must outlive it.
    EvaporationPath(SolverState& p, const RunHooks& hooks, std::vector<std::string> candidates, bool fractional);
    ~EvaporationPath();

    // The water at `factor`, from the last step reached; none, with why, when
    // it cannot be computed. `firstLook` gets the run before any mineral
    // joined the set held at this step.
    std::optional<Results> step(double factor, bool precipitate, std::optional<Results>& firstLook, std::string& why);

    // The step to `factor` again, through factors between `from` (the last
    // step reached) and it, ever closer together.
    std::optional<Results> approach(double from, double factor, bool precipitate, std::optional<Results>& firstLook,
                                    std::string& why);

    // The moles precipitated per kg of the starting water so far: of the
    // minerals held (equilibrium), of every mineral taken out (fractional).
    std::vector<PrecipitatedAmount> amounts() const;

    // The minerals held at saturation at the last step.
    std::vector<std::string> heldMinerals() const;

    // The earliest of `minerals`, below saturation at the step before the
    // last and not at the last, to reach it on the path between the two (by
    // bisection), with its factor; none when a run on the way fails.
    std::optional<FirstSaturation> earliestSaturation(const std::vector<std::string>& minerals);

    // Back to the step before the last, the last forgotten; false when there
    // is none to go back to.
    bool rewind();

    // The state of the last step reached, from which a run of its brine starts.
    const CarriedState& lastReached() const;

    // Minerals that stayed supersaturated because they could not join the
    // set held, one line each.
    const std::vector<std::string>& notes() const;

private:
    class Steps;
    std::unique_ptr<Steps> steps_;
};

}  // namespace wq
