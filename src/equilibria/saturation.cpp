#include "equilibria/saturation.hpp"

#include <cmath>

#include "run/program.hpp"

namespace wq {

namespace {

const Layout& plotRecord() {
    static const Layout record("(A20,2F10.5,F8.3)");
    return record;
}

void writePlotRecord(Program& prog, const MineralEntry& entry, double value) {
    prog.io.plot.write(plotRecord(), {entry.name.view(), value, prog.input.temperature, prog.input.pressure});
}

// The fugacity a gas would have in equilibrium with the water:
// log f = log Q - log K of its dissolution reaction.
void writeGasTable(Program& prog) {
    static const Layout heading(
        "(2X,77('+')//2X,'Gas fugacities'//2X,'Gas',23X,'Log K      Log Q     Log f     fugacity'/)");
    static const Layout row("(2X,A20,3(2X,F9.4),2X,G11.4)");
    static const Layout sum("(/36X,'Sum of fugacities = ',G12.4)");
    prog.io.listing.write(heading, {});
    double total = 0.0;
    for (int i = 1; i <= prog.minerals.count; ++i) {
        const MineralEntry& gas = prog.minerals[i];
        if (!gas.isGas()) continue;
        double logF = gas.logQ - gas.logK;
        double fugacity = std::pow(10.0, logF);
        prog.io.listing.write(row, {gas.name.view(), gas.logK, gas.logQ, logF, fugacity});
        writePlotRecord(prog, gas, logF);
        total += fugacity;
    }
    prog.io.listing.write(sum, {total});
}

void writeMineralRow(Program& prog, const MineralEntry& entry) {
    static const Layout row("(2X,A20,3(2X,F9.4))");
    double saturationIndex = entry.logQ - entry.logK;
    prog.io.listing.write(row, {entry.name.view(), entry.logK, entry.logQ, saturationIndex});
    writePlotRecord(prog, entry, saturationIndex);
}

void writeSupersaturated(Program& prog, const Table<int, MAX_MINERALS>& list, int count) {
    static const Layout heading(
        "(/2X,'This solution is SUPERSATURATED with the following   minerals'"
        "//2X,'Mineral',19X,'Log K      Log Q     Log Q/K'/)");
    if (count == 0) return;
    prog.io.listing.write(heading, {});
    for (int k = 1; k <= count; ++k) {
        MineralEntry& entry = prog.minerals[list[k]];
        if (!entry.isGas()) writeMineralRow(prog, entry);
        entry.logQ = SATURATION_MARKER;
    }
}

void writeUndersaturated(Program& prog) {
    static const Layout heading(
        "(/2X,'This solution is UNDERSATURATED with the following   minerals '"
        "//2X,'Mineral',19X,'Log K      Log Q     Log Q/K'/)");
    prog.io.listing.write(heading, {});
    for (int i = 1; i <= prog.minerals.count; ++i) {
        const MineralEntry& entry = prog.minerals[i];
        if (entry.logQ != SATURATION_MARKER && !entry.isGas()) writeMineralRow(prog, entry);
    }
}

}  // namespace

void computeIonActivityProducts(MineralTable& minerals, const SpeciesTable& sp) {
    for (int i = 1; i <= minerals.count; ++i) {
        MineralEntry& entry = minerals[i];
        double logQ = 0.0;
        for (int k = 1; k <= entry.itot; ++k) logQ += entry.coef[k] * std::log10(sp[entry.comp[k]].activity);
        entry.logQ = logQ;
    }
}

void minsa1(Program& prog) {
    static const Layout closing("(/)");
    computeIonActivityProducts(prog.minerals, prog.sp);
    Table<int, MAX_MINERALS> supersaturated;
    int count = 0;
    for (int i = 1; i <= prog.minerals.count; ++i)
        if (prog.minerals[i].logQ > prog.minerals[i].logK) supersaturated[++count] = i;
    writeGasTable(prog);
    writeSupersaturated(prog, supersaturated, count);
    writeUndersaturated(prog);
    prog.io.listing.write(closing, {});
}

}  // namespace wq
