// The steps of an evaporation path taken so that where each mineral first
// saturates does not depend on the steps: the earliest mineral to saturate
// within a step is found by bisection, the path goes to just past it (where
// it joins the minerals held, which changes what saturates next) and takes
// the step again from there. `wqspec evaporate` and the evaporate step of a
// reaction path both step this way.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "run/evaporation_path.hpp"
#include "run/evaporation_result.hpp"

namespace wq {

// The candidates that saturate for the first time on the path at this step
// (`firstLook`: before anything precipitated at it).
std::vector<std::string> newlySaturated(const EvaporationResult& path, const Results& firstLook,
                                        const std::vector<std::string>& candidates);

// The step to `factor` from the last step of `path` (whose factor and run it
// reads), the first saturations on the way appended to `path`; none, with
// why, when the step cannot be computed.
std::optional<Results> stepNotingSaturations(EvaporationPath& evaporation, EvaporationResult& path, double factor,
                                             bool precipitate, const std::vector<std::string>& candidates,
                                             std::string& why);

}  // namespace wq
