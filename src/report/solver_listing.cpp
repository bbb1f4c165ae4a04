#include "report/solver_listing.hpp"

#include <array>
#include <cstddef>
#include <span>
#include <utility>

#include "report/debug_tables.hpp"
#include "solver/solver_state.hpp"
#include "text/channels.hpp"
#include "text/layout.hpp"

namespace wq {

namespace {

// Values of one printed row: at most 70 unknowns and the right-hand side.
using RowValues = std::array<Value, MAX_NEWTON_ORDER + 1>;

RowValues zeroRow() {
    return []<std::size_t... I>(std::index_sequence<I...>) {
        return RowValues{((void)I, Value(0.0))...};
    }(std::make_index_sequence<MAX_NEWTON_ORDER + 1>{});
}

// Entries 1..count of a row through `layout`, ten to a line, the row
// continuing on further lines by reversion.
template <class Entry>
void writeRow(Sink& listing, const Layout& layout, int count, Entry entry) {
    RowValues values = zeroRow();
    for (int j = 1; j <= count; ++j) values[static_cast<std::size_t>(j - 1)] = Value(entry(j));
    listing.write(layout, std::span<const Value>(values.data(), static_cast<std::size_t>(count)));
}

const Layout& matrixRow() {
    static const Layout layout("(2X,10E11.4)");
    return layout;
}

void writeNonFinite(Channels& io, std::string_view what, std::string_view species, int loop) {
    static const Layout message("(/5X,'NEWTON ITERATION FAILED: NON-FINITE ',A,' OF ',A,' IN LOOP',I5/)");
    writeEach({&io.listing, &io.console}, message, {what, species, loop});
}

void writeImbalanceTooLarge(Channels& io, std::string_view species) {
    static const Layout message(
        "(//5X,'CHARGE IMBALANCE EXEEDS THE TOTAL AMOUNT ','OF ',A12,' AND CANNOT '"
        "/5X,'BE ADJUSTED BY THIS ','ION.  CHOOSE AN ION WITH OPPOSITE CHARGE'///)");
    writeEach({&io.listing, &io.console}, message, {species});
}

}  // namespace

void SolverListing::debugTables(SolverState& prog) { writeDebugTables(prog); }

void SolverListing::forcedMineralMissing(const SolverState& prog, int entry) {
    static const Layout message(
        "(/5X,'FOLLOWING GIVEN MINERAL NOT FOUND IN LOGKDATA: ',A20"
        "/5X,'CHECK IF MINERAL: IS SPELLED INCORRECTLY, ','IS SUPPRESSED, OR'"
        "/5X,'CONTAINS SPECIES NOT ALL SPECIFIED IN',' WQCASE FILE.'/)");
    writeEach({&io_.listing, &io_.console}, message, {prog.forced[entry].mineral.view()});
}

void SolverListing::loopStarting(int loopsDone, double ionicStrength) {
    static const Layout line("('  ',I5,' LOOPS COMPLETED    IONIC STRENGTH =',F15.11)");
    io_.console.write(line, {loopsDone, ionicStrength});
}

void SolverListing::fixedPHRowUsed() {
    static const Layout trace("(2X,40X,'SUBROUTINE HOH WAS USED')");
    io_.listing.write(trace, {});
}

void SolverListing::alkalinityRowUsed() {
    static const Layout trace("(2X,40X,'SUBROUTINE ENRIQUE WAS USED')");
    io_.listing.write(trace, {});
}

void SolverListing::mineralWithoutComponent(const SolverState& prog, int mineral, int component) {
    static const Layout message("(/5X,'GIVEN MINERAL ',A20,' DOES NOT CONTAIN ',A12)");
    writeEach({&io_.listing, &io_.console}, message,
              {prog.minerals[mineral].name.view(), prog.sp[component].name.view()});
}

void SolverListing::loopTwoState(SolverState& prog) {
    if (loopTwoListing_) loopTwoListing_(prog);
}

void SolverListing::newtonMatrix(const NewtonSystem& sys) {
    static const Layout gap("(///)");
    static const Layout heading("(2X,'MATRIX OF A(I,J), I=1,',I2,' J=1,',I2//)");
    const int order = sys.order;
    io_.listing.write(gap, {});
    io_.listing.write(heading, {order, order + 1});
    for (int i = 1; i <= order; ++i)
        writeRow(io_.listing, matrixRow(), order + 1, [&](int j) { return sys.a(i, j); });
}

void SolverListing::singularSystem() {
    static const Layout warning(
        "(/5X,'************** WARNING **************'/2X,'COMPUTATIONAL SINGULARITY, IER = 0.0'/)");
    io_.listing.write(warning, {});
}

void SolverListing::newtonStep(const NewtonSystem& sys) {
    static const Layout step("(', ',10E11.4)");
    writeRow(io_.listing, step, sys.order, [&](int i) { return sys.x[i]; });
}

void SolverListing::linearSolved(const LinearSolveReport& report) {
    static const Layout count("(8X,'NUMBER OF ITERATIVE REFINEMENTS : = ',I4)");
    io_.listing.write(count, {report.refinements});
    if (report.vector != LinearSolveReport::Vector::none)
        writeRow(io_.listing, matrixRow(), report.order, [&](int j) { return report.last[j]; });
}

void SolverListing::molalityFloored(const SolverState& prog, int component, double lowest) {
    static const Layout warning("(5X,'** WARNING !  MOLALITY OF ',A12,' LESS THAN ',E10.3)");
    io_.console.write(warning, {prog.sp[component].name.view(), lowest});
}

void SolverListing::loopEnded(int loop, double ionicStrength) {
    static const Layout line("(2X,'No. of Loops = ',I3,5X,'Ionic strength = ',E12.7)");
    io_.listing.write(line, {loop, ionicStrength});
}

void SolverListing::activityCoefficientsRefreshed() {
    static const Layout trace("(2X,40X,'SUBROUTINE GAMCALC WAS USED')");
    io_.listing.write(trace, {});
}

void SolverListing::iterationStopped(const SolverState& prog, const IterationStop& stopped) {
    const Species& species = prog.sp[stopped.component];
    switch (stopped.kind) {
        case IterationStop::Kind::chargeImbalance: writeImbalanceTooLarge(io_, species.name.view()); return;
        case IterationStop::Kind::nonFiniteResidual:
            writeNonFinite(io_, "RESIDUAL", species.name.trimmed(), stopped.loop);
            return;
        case IterationStop::Kind::nonFiniteStep:
            writeNonFinite(io_, "NEWTON STEP", species.name.trimmed(), stopped.loop);
            return;
    }
}

void SolverListing::noSolution(const std::string& why) { writeNoSolution(io_, why); }

void writeNoSolution(Channels& io, const std::string& why) {
    static const Layout line("(5X,'NO SOLUTION: ',A/)");
    writeEach({&io.listing, &io.console}, line, {why});
}

}  // namespace wq
