#include "equilibria/forced_saturation.hpp"

#include <cmath>
#include <string>
#include <string_view>

#include "text/channels.hpp"
#include "text/layout.hpp"
#include "text/stop.hpp"

namespace wq {

namespace {

// d log10(x) / dx = log10(e) / x.
constexpr double LOG10_E = 0.4342944819032518;

bool namesComponent(const MineralEntry& mineral, int component) {
    for (int k = 1; k <= mineral.itot; ++k)
        if (mineral.comp[k] == component) return true;
    return false;
}

[[noreturn]] void mineralWithoutComponent(const MineralEntry& mineral, std::string_view component,
                                          Sink& listing, Sink& console) {
    static const Layout message("(/5X,'GIVEN MINERAL ',A20,' DOES NOT CONTAIN ',A12)");
    writeEach({&listing, &console}, message, {mineral.name.view(), component});
    stop(ExitStatus::error, "forced mineral " + std::string(mineral.name.trimmed()) + " does not contain " +
                                std::string(component));
}

}  // namespace

void checkForcedMinerals(const ForcedSaturationList& forced, const ComponentTable& comp, Sink& listing,
                         Sink& console) {
    static const Layout message(
        "(/5X,'FOLLOWING GIVEN MINERAL NOT FOUND IN LOGKDATA: ',A20"
        "/5X,'CHECK IF MINERAL: IS SPELLED INCORRECTLY, ','IS SUPPRESSED, OR'"
        "/5X,'CONTAINS SPECIES NOT ALL SPECIFIED IN',' WQCASE FILE.'/)");
    for (int e = 1; e <= forced.count; ++e) {
        if (comp[forced[e].component].forcedMineral != 0) continue;
        writeEach({&listing, &console}, message, {forced[e].mineral.view()});
        stop(ExitStatus::error, "forced mineral " + std::string(forced[e].mineral.trimmed()) +
                                    " not found among the minerals of the run");
    }
}

void saturationRow(NewtonSystem& newton, int row, const MineralEntry& mineral, double target,
                   const SpeciesTable& sp, Sink& listing, Sink& console) {
    if (!namesComponent(mineral, row)) mineralWithoutComponent(mineral, sp[row].name.view(), listing, console);

    double logQ = 0.0;
    for (int k = 1; k <= mineral.itot; ++k) {
        const Species& c = sp[mineral.comp[k]];
        logQ += mineral.coef[k] * std::log10(c.gamma * c.molality);
    }
    newton.f[row] = logQ - mineral.logK - target;

    // A component named in two terms keeps the later term's derivative.
    for (int k = 1; k <= mineral.itot; ++k) {
        int c = mineral.comp[k];
        newton.a(row, c) = mineral.coef[k] * LOG10_E / sp[c].molality;
    }
}

}  // namespace wq
