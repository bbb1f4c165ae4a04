#include "report/saturation_report.hpp"

#include "run/results.hpp"
#include "text/channels.hpp"
#include "text/layout.hpp"

namespace wq {
namespace {

void writeGasTable(const Results& r, Sink& out) {
    static const Layout heading(
        "(2X,77('+')//2X,'Gas fugacities'//2X,'Gas',23X,'Log K      Log Q     Log f     fugacity'/)");
    static const Layout row("(2X,A20,3(2X,F9.4),2X,G11.4)");
    static const Layout sum("(/36X,'Sum of fugacities = ',G12.4)");
    out.write(heading, {});
    for (const GasRow& gas : r.gases) out.write(row, {gas.name, gas.logK, gas.logQ, gas.logFugacity, gas.fugacity});
    out.write(sum, {r.sumOfFugacities});
}

void writeMineralRows(const Results& r, bool supersaturated, Sink& out) {
    static const Layout row("(2X,A20,3(2X,F9.4))");
    for (const MineralRow& m : r.minerals)
        if (m.supersaturated == supersaturated) out.write(row, {m.name, m.logK, m.logQ, m.saturationIndex});
}

// The supersaturated heading stands when any entry, gases included, is
// supersaturated, even if only gases are.
bool anySupersaturated(const Results& r) {
    for (const GasRow& g : r.gases)
        if (g.supersaturated) return true;
    for (const MineralRow& m : r.minerals)
        if (m.supersaturated) return true;
    return false;
}

}  // namespace

void writeSaturationReport(const Results& r, Sink& out) {
    static const Layout supersaturated(
        "(/2X,'This solution is SUPERSATURATED with the following   minerals'"
        "//2X,'Mineral',19X,'Log K      Log Q     Log Q/K'/)");
    static const Layout undersaturated(
        "(/2X,'This solution is UNDERSATURATED with the following   minerals '"
        "//2X,'Mineral',19X,'Log K      Log Q     Log Q/K'/)");
    static const Layout closing("(/)");
    writeGasTable(r, out);
    if (anySupersaturated(r)) {
        out.write(supersaturated, {});
        writeMineralRows(r, true, out);
    }
    out.write(undersaturated, {});
    writeMineralRows(r, false, out);
    out.write(closing, {});
}

void writePlotRecords(const Results& r, Sink& plot) {
    static const Layout record("(A20,2F10.5,F8.3)");
    for (const GasRow& gas : r.gases) plot.write(record, {gas.name, gas.logFugacity, r.temperature, r.pressure});
    for (bool supersaturated : {true, false})
        for (const MineralRow& m : r.minerals)
            if (m.supersaturated == supersaturated)
                plot.write(record, {m.name, m.saturationIndex, r.temperature, r.pressure});
}

}  // namespace wq
