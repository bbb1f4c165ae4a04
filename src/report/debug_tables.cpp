#include "report/debug_tables.hpp"

#include "text/layout.hpp"
#include "solver/solver_state.hpp"

namespace wq {
namespace {

void writeBanner(SolverState& prog) {
    static const Layout rule("(2X,77('+'))");
    static const Layout blank("()");
    static const Layout title("(A80)");
    Sink& out = prog.io.listing;
    out.write(rule, {});
    out.write(blank, {});
    out.write(title, {prog.input.title1.view()});
    out.write(title, {prog.input.title2.view()});
    out.write(blank, {});
    out.write(rule, {});
    out.write(blank, {});
}

// Every component with its total moles and its current (trial) molality.
void writeComponents(SolverState& prog) {
    static const Layout heading("('  Species   No.  Charge      Tot.Moles        Mtry'/)");
    static const Layout row("(2X,A12,I5,3X,F5.0,3X,2E12.5)");
    Sink& out = prog.io.listing;
    out.write(heading, {});
    for (int i = 1; i <= prog.comp.count; ++i) {
        const Species& s = prog.sp[i];
        out.write(row, {s.name.view(), i, s.charge, prog.comp[i].mtot, s.molality});
    }
}

// Every secondary species with the log K of its dissociation at the run's
// temperature and pressure.
void writeSecondarySpecies(SolverState& prog) {
    static const Layout heading("(/'  Species   No.  Charge  Log K(diss)'/)");
    static const Layout row("(2X,A12,I5,3X,F5.0,3X,F10.4)");
    static const Layout blank("()");
    Sink& out = prog.io.listing;
    out.write(heading, {});
    for (int i = prog.comp.count + 1; i <= prog.sp.count; ++i) {
        const Species& s = prog.sp[i];
        out.write(row, {s.name.view(), i, s.charge, s.logK});
    }
    out.write(blank, {});
}

}  // namespace

void writeDebugTables(SolverState& prog) {
    writeBanner(prog);
    writeComponents(prog);
    writeSecondarySpecies(prog);
}

}  // namespace wq
