// The steps of a reaction path that take water away from it (reaction_steps.hpp):
// boiling, stage by stage, with the steam's gases (boiling.hpp), and the
// evaporation path from the water reached (evaporation_path.hpp).
#include <cmath>
#include <string>

#include "input/tables.hpp"
#include "run/boiling.hpp"
#include "run/evaporation_path.hpp"
#include "run/evaporation_sequence.hpp"
#include "run/next_run.hpp"
#include "run/reaction_steps.hpp"
#include "solver/solver_state.hpp"

namespace wq {

namespace {

// The liquid's totals with the moles `degassed` of each gas gone into the steam.
std::vector<double> lessGases(const std::vector<double>& totals, const std::vector<HeldMineral>& gases,
                              const std::vector<double>& degassed) {
    std::vector<double> left = totals;
    for (std::size_t i = 0; i < gases.size(); ++i)
        for (std::size_t k = 1; k < left.size(); ++k) left[k] -= gases[i].nu[k] * degassed[i];
    return left;
}

std::vector<HeldMineral> takenOut(std::vector<HeldMineral> gases, const std::vector<double>& degassed) {
    for (std::size_t i = 0; i < gases.size(); ++i) gases[i].moles = degassed[i];
    return gases;
}

}  // namespace

// One stage: the liquid `liquid` (totals, its water `liquidKg`) saturated at
// `from` flashed to `at`; open, the steam leaves and the liquid is what is
// left; closed, `liquid` is the step's start and the steam stays until the
// step ends.
bool ReactionSteps::boilStage(const BoilStep& b, double from, double at, std::vector<double>& liquid,
                              double& liquidKg) {
    const std::vector<HeldMineral> gases = volatileGases(p_);
    const double y = at < from ? flashSteamFraction(from, at) : 0.0;
    const double steamKg = y * liquidKg;
    temperature_ = at;
    kgw_ = liquidKg - steamKg;
    std::vector<double> degassed(gases.size(), 0.0);
    std::string why;
    std::optional<Results> r;
    if (steamKg > 0.0) {
        GasPartition stage;
        stage.run = [&](const std::vector<double>& n, std::string& w) { return run(liquid, takenOut(gases, n), w); };
        stage.totalOf = [&](int k, const std::vector<double>& n) { return totalOf(liquid, k, takenOut(gases, n)); };
        stage.componentCount = p_.comp.count;
        stage.steamWaterMoles = steamKg / WATER_KG_PER_MOL;
        stage.pressureBar = steamPressureBar(at);
        r = partitionGases(stage, gases, degassed, why);
        if (!r) why = "the gases of the steam at " + std::to_string(at) + " C: " + why;
    } else {
        r = run(liquid, {}, why);
    }
    ReactionRecord rec = recordAt(at);
    rec.steamFraction = y;
    rec.transfer = moved_;
    for (std::size_t i = 0; i < gases.size(); ++i) {
        addTo(rec.transfer, {gases[i].mineral, false, -degassed[i] / kgw0_});
        if (steamKg > 0.0) rec.steam.push_back({gases[i].mineral, false, degassed[i] / steamKg});
    }
    const std::vector<double> left = lessGases(liquid, gases, degassed);
    if (!record(rec, std::move(r), why, {})) return false;
    if (b.open) {
        moved_ = rec.transfer;
        liquid = left;
        liquidKg = kgw_;
    }
    base_ = left;
    return true;
}

bool ReactionSteps::boil(const BoilStep& b) {
    release();
    std::vector<double> liquid = base_;
    double liquidKg = kgw_;
    double from = b.from;
    for (int i = 0; i <= b.steps; ++i) {
        const double at = b.from + (b.to - b.from) * i / b.steps;
        if (!boilStage(b, from, at, liquid, liquidKg)) return false;
        if (b.open) from = at;
    }
    // A closed step's steam leaves at its end, as from a separator.
    if (!b.open) moved_ = result_.records.back().transfer;
    return true;
}

bool ReactionSteps::evaporate(const PathStep& s) {
    release();
    std::string why;
    std::optional<Results> here = run(base_, {}, why);
    if (!here) return record(recordAt(1.0), std::move(here), why, {});
    std::vector<std::string> candidates;
    for (const NamedValue& m : s.evaporate.minerals) candidates.push_back(m.name);
    if (candidates.empty())
        for (const MineralRow& m : here->minerals) candidates.push_back(m.name);
    const double stepKg = kgw_;
    const bool precipitate = s.precipitate != Precipitation::none;
    EvaporationPath evaporation(p_, hooks_, candidates, s.precipitate == Precipitation::fractional);
    EvaporationResult path;
    path.steps.push_back({1.0, runStatus(*here), here, {}, {}});
    for (const std::string& m : newlySaturated(path, *here, candidates)) path.firstSaturations.push_back({m, 1.0});
    const EvaporateStep& e = s.evaporate;
    for (int k = 1; k <= e.steps; ++k) {
        const double factor = k == e.steps ? e.to : std::exp(std::log(e.to) * k / e.steps);
        std::optional<Results> r = stepNotingSaturations(evaporation, path, factor, precipitate, candidates, why);
        path.steps.push_back({factor, r ? runStatus(*r) : why, r, {}, {}});
        kgw_ = stepKg / factor;
        ReactionRecord rec = recordAt(factor);
        rec.transfer = moved_;
        for (const PrecipitatedAmount& a : evaporation.amounts())
            addTo(rec.transfer, {a.mineral, false, -a.moles * stepKg / kgw0_});
        if (!record(rec, std::move(r), why, {}, false)) return false;
    }
    // What precipitated leaves the water, as the phases of any step do when
    // the next begins; the next runs start from the brine the path reached.
    for (const PrecipitatedAmount& a : evaporation.amounts())
        for (const HeldMineral& m : minerals_)
            if (m.mineral == a.mineral)
                for (std::size_t k = 1; k < base_.size(); ++k) base_[k] -= m.nu[k] * a.moles * stepKg;
    moved_ = result_.records.back().transfer;
    *last_ = evaporation.lastReached();
    return true;
}

}  // namespace wq
