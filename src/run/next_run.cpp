#include "run/next_run.hpp"

#include "input/run_input.hpp"
#include "solver/solver_state.hpp"

namespace wq {

void resetForNextRun(SolverState& prog) {
    prog.conditions.chargeBalanceSwitch = 0;
    prog.run.chargeImbalance = 0.0;
    prog.run.chargeBalanceFrozen = false;
    prog.activity.ionicStrength = 0.0;
    // Later runs keep the carbonate total the previous run reached.
    prog.conditions.alkalinity = 0.0;
    prog.sp[WATER_SLOT].molality = 1.0;
    // Back from moles of water to kilograms; the set-up converts again.
    prog.comp[WATER_SLOT].mtot /= MOLES_WATER_PER_KG;
    prog.conditions.pH = 0.0;
    prog.conditions.chargeBalanceStartTotal = chargeBalanceTotal(prog.input, prog.comp);
}

void prepareNextRun(SolverState& prog) {
    resetForNextRun(prog);
    prog.grid.pressureFlag = 'N';
    prog.grid.blockFlag = 'N';
}

}  // namespace wq
