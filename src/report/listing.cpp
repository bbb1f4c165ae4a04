#include "report/listing.hpp"

#include <cmath>
#include <string_view>
#include <vector>

#include "equilibria/redox.hpp"
#include "run/layout.hpp"
#include "run/program.hpp"
#include "run/stop.hpp"

namespace wq {
namespace {

// Database component numbers the listing looks for.
constexpr int DB_CHLORIDE = 3;
constexpr int DB_SULFATE = 4;
constexpr int DB_CARBONATE = 5;
constexpr int DB_SULFIDE = 6;
constexpr int DB_CALCIUM = 9;
constexpr int DB_POTASSIUM = 12;
constexpr int DB_SODIUM = 13;
constexpr int DB_OXYGEN = 31;

// Fixed places of the species table.
constexpr int HYDROGEN_ION = 1;
constexpr int WATER = 2;

// Kinds of Eh (RunState::ehKind).
constexpr int EH_NONE = 0;
constexpr int EH_SULFIDE_SULFATE = 1;
constexpr int EH_OXYGEN = 2;

// Alpha shown for a component whose total is 0, held in single precision.
constexpr double ALPHA_OF_ZERO_TOTAL = double(999.99f);

// The species whose line is kept below the print threshold.
constexpr std::string_view DISSOLVED_OXYGEN = "O2,aq";

int componentCount(const Program& prog) { return prog.comp.count; }
int speciesCount(const Program& prog) { return prog.sp.count; }

double activityOf(const Program& prog, int i) { return prog.sp[i].gamma * prog.sp[i].molality; }

bool inRun(const Program& prog, int dbNumber) { return prog.map.position(dbNumber) != 0; }

// ---------------------------------------------------------------------------
// Derived quantities

void evaluateSourceTemperature(Program& prog) {
    const int ca = prog.map.position(DB_CALCIUM);
    const int k = prog.map.position(DB_POTASSIUM);
    const int na = prog.map.position(DB_SODIUM);
    if (prog.input.geothermometer != 1 || ca == 0 || k == 0 || na == 0) {
        // Once off, the geothermometer stays off for the later runs too.
        prog.input.geothermometer = 0;
        return;
    }
    const double kgw = prog.run.kgw;
    prog.run.sourceTemperature =
        geoth(prog.comp[ca].mtot / kgw, prog.comp[k].mtot / kgw, prog.comp[na].mtot / kgw);
}

void evaluateEh(Program& prog) {
    const double aH = activityOf(prog, HYDROGEN_ION);
    const double aW = activityOf(prog, WATER);
    const double t = prog.input.temperature;
    const int o2 = prog.map.position(DB_OXYGEN);
    const int so4 = prog.map.position(DB_SULFATE);
    const int hs = prog.map.position(DB_SULFIDE);
    if (o2 != 0) {
        prog.run.ehKind = EH_OXYGEN;
        prog.run.eh = eeh1(aH, aW, activityOf(prog, o2), t);
    } else if (so4 != 0 && hs != 0) {
        prog.run.ehKind = EH_SULFIDE_SULFATE;
        prog.run.eh = eeh(aH, aW, activityOf(prog, so4), activityOf(prog, hs), t);
    } else {
        prog.run.ehKind = EH_NONE;
        prog.run.eh = 0.0;
    }
}

// Sums over the solution that several lines of the block use.
struct SolutionSums {
    double totalMass = 0.0;    // g of solution
    double alkalinity = 0.0;   // calculated alkalinity (eq/kg)
    double literalHS = 0.0;    // sulfide counted over all species (mol/kg); 0 = none
    double literalSO4 = 0.0;   // sulfate counted over all species (mol/kg); 0 = none
};

// Grams of solution: every component's formula weight times its total moles,
// water included.
double totalMass(const Program& prog) {
    double grams = 0.0;
    for (int k = 1; k <= componentCount(prog); ++k) grams += prog.sp[k].formulaWeight * prog.comp[k].mtot;
    return grams;
}

double calculatedAlkalinity(const Program& prog) {
    double fromComponents = 0.0;
    for (int k = 1; k <= componentCount(prog); ++k) fromComponents += prog.sp[k].alkFactor * prog.sp[k].molality;
    double fromSecondaries = 0.0;
    for (int s = componentCount(prog) + 1; s <= speciesCount(prog); ++s)
        fromSecondaries += prog.sp[s].alkFactor * prog.sp[s].molality;
    return fromComponents + fromSecondaries;
}

// The molality of a redox component plus its share of every secondary
// species, counted by the species' reaction coefficient of that component
// (0 for species whose reaction holds both HS- and SO4--). 0 when the
// component is not in the run.
double literalSum(const Program& prog, int dbNumber, double Species::*coefficient) {
    const int position = prog.map.position(dbNumber);
    if (position == 0) return 0.0;
    double sum = prog.sp[position].molality;
    for (int s = componentCount(prog) + 1; s <= speciesCount(prog); ++s)
        sum += prog.sp[s].*coefficient * prog.sp[s].molality;
    return sum;
}

SolutionSums solutionSums(const Program& prog) {
    SolutionSums sums;
    sums.totalMass = totalMass(prog);
    sums.alkalinity = calculatedAlkalinity(prog);
    // With dissolved oxygen the sulfur literal sums are not formed.
    if (!inRun(prog, DB_OXYGEN)) {
        sums.literalHS = literalSum(prog, DB_SULFIDE, &Species::redoxHS);
        sums.literalSO4 = literalSum(prog, DB_SULFATE, &Species::redoxSO4);
    }
    return sums;
}

bool chargeWasAdjusted(const Program& prog) { return prog.run.chargeImbalance != 0.0; }

bool fixedByForcedPhase(const Program& prog, int k) {
    for (int e = 1; e <= prog.forced.count; ++e)
        if (prog.forced[e].component == k) return true;
    return false;
}

// How the total of component k came about; the first rule that applies.
std::string_view componentFlag(const Program& prog, int k) {
    if (k == prog.input.firstChargeBalancePosition && chargeWasAdjusted(prog)) return "AD";
    if (fixedByForcedPhase(prog, k)) return "EQ";
    if (k == prog.map.position(DB_CARBONATE) && prog.input.alkalinity != 0.0) return "AL";
    if (k == prog.input.fixedActivityPosition) return "CM";
    if (k == HYDROGEN_ION && prog.input.pH != 0.0) return "CM";
    return "  ";
}

// ---------------------------------------------------------------------------
// The lines of the block

void writeHead(Program& prog) {
    static const Layout title1("(/2X,A80)");
    static const Layout title2("(2X,A80)");
    static const Layout rule("(2X,77('+'))");
    static const Layout loops("(2X,'Number of loops used = ',I3,9X,'Loop limit = ',I3)");
    Sink& out = prog.io.listing;
    out.write(title1, {prog.input.title1.view()});
    out.write(title2, {prog.input.title2.view()});
    out.write(rule, {});
    out.write(loops, {prog.run.loops, prog.input.loopLimit});
}

void writeChargeBalance(Program& prog) {
    static const Layout L("(2X,'Charge balance on ',A12,'     original Mtot value: ',E11.5/'        changed by: ',E11.5)");
    if (!chargeWasAdjusted(prog)) return;
    const int cb = prog.input.firstChargeBalancePosition;
    const double start = prog.input.chargeBalanceStartTotal;
    prog.io.listing.write(L, {prog.sp[cb].name.view(), start, prog.comp[cb].mtot - start});
}

void writeConditions(Program& prog) {
    static const Layout L("(/2X,'Temperature: ',F6.2,'  Degrees C.    Pressure:',F8.3,' Bars'/)");
    if (prog.input.temperature == 0.0) return;
    prog.io.listing.write(L, {prog.input.temperature, prog.input.pressure});
}

void writeWater(Program& prog) {
    static const Layout water("('  ','Water: ',F10.4,'(Kg.Liq.)  ',F10.4,'(Moles Liq.)  ',F10.4,'(Moles Total)'/'        Activity = ',F6.4)");
    static const Layout osmotic("('  ','Stoichiometric Ionic Strength = ',E12.7,'   Osmotic Coef. =',F8.4)");
    const double kgw = prog.run.kgw;
    // The gamma entry of water holds its activity, as of the start of the last loop.
    prog.io.listing.write(water, {kgw, kgw * MOLES_WATER_PER_KG, prog.comp[WATER].mtot, prog.sp[WATER].gamma});
    prog.io.listing.write(osmotic, {prog.activity.stoichIonicStrength, prog.activity.osmotic});
}

// The activity model is fitted to NaCl solutions; it is trusted when the
// charge balance is made on Na+ or Cl-.
void writeNaClWarning(Program& prog) {
    static const Layout L("('  ','Apparently NaCl is not the dominant solute,'/' thus Gamma(I) may be in error for this run')");
    const int cb = prog.input.firstChargeBalancePosition;
    if (cb == prog.map.position(DB_CHLORIDE) || cb == prog.map.position(DB_SODIUM)) return;
    prog.io.listing.write(L, {});
}

void writeIonicStrength(Program& prog, const SolutionSums& sums) {
    static const Layout L("(/2X,'Ionic Strength = ',E12.7,6X,'Calculated Alkalinity = ',E12.7)");
    prog.io.listing.write(L, {prog.activity.ionicStrength, sums.alkalinity});
}

void writeEh(Program& prog) {
    static const Layout sulfate("(2X,'Eh = ',F8.4,' V. (FROM HS- + 4H2O <=> 9H+ +',' SO4-- +8e-)')");
    static const Layout oxygen("(2X,'Eh = ',F8.4,' V. (FROM H2O <=> 1/2 O2(AQ.) +',' 2H+ + 2E-)')");
    if (prog.run.ehKind == EH_SULFIDE_SULFATE) prog.io.listing.write(sulfate, {prog.run.eh});
    if (prog.run.ehKind == EH_OXYGEN) prog.io.listing.write(oxygen, {prog.run.eh});
}

void writeSourceTemperature(Program& prog) {
    static const Layout L("(2X,'Na-K-Ca Source Temperature : ',F4.0,' Deg.C.     (Fournier & Truesdell, 1973)')");
    if (prog.input.geothermometer != 1) return;
    prog.io.listing.write(L, {prog.run.sourceTemperature});
}

bool printedInSpeciesTable(const Program& prog, int i) {
    return prog.sp[i].molality >= prog.input.printThreshold || prog.sp[i].name.equals(DISSOLVED_OXYGEN);
}

void writeSpeciesTable(Program& prog) {
    static const Layout header("(/2X,'   Species         Molality      Log(m)    Activity       Log(a)    Gamma '/)");
    static const Layout row("(1X,I3,1X,A12,1X,E12.4,1X,F10.4,1X,E12.4,1X,F10.4,1X,E12.4,1X)");
    static const Layout waterRow("(1X,I3,1X,A12,1X,24X,E12.4,1X,F10.4,1X,E12.4)");
    static const Layout threshold("(/2X,'Species with molality < ',E8.2,' are not printed, above.'/)");
    Sink& out = prog.io.listing;
    out.write(header, {});
    for (int i = 1; i <= speciesCount(prog); ++i) {
        const Species& s = prog.sp[i];
        const double a = activityOf(prog, i);
        if (i == WATER) {
            // Water has no molality of its own: the slot holds 1.
            out.write(waterRow, {i, s.name.view(), a, std::log10(a), s.gamma});
        } else if (printedInSpeciesTable(prog, i)) {
            out.write(row, {i, s.name.view(), s.molality, std::log10(s.molality), a, std::log10(a), s.gamma});
        }
    }
    out.write(threshold, {prog.input.printThreshold});
}

void writeLiteralLine(Program& prog, const Layout& layout, int dbNumber, double literal, double grams) {
    if (literal == 0.0) return;
    const Species& s = prog.sp[prog.map.position(dbNumber)];
    const double ppm = 1e6 * literal * s.formulaWeight / grams;
    prog.io.listing.write(layout, {s.molality, literal * prog.run.kgw, ppm, literal});
}

void writeTotalsTable(Program& prog, const SolutionSums& sums) {
    static const Layout header("(/2X,'  Species          Molality     Tot Moles       ppm         Tot Molality   Alpha'/)");
    static const Layout row("(1X,I3,1X,A12,1X,E12.4,1X,E12.4,A2,1X,E13.6,1X,E12.4,1X,F10.6)");
    static const Layout sulfide("(5X,'HS- literal  ',E12.4,1X,E12.4,3X,E13.6,1X,E12.4,'ST')");
    static const Layout sulfate("(5X,'SO4-2 literal',E12.4,1X,E12.4,3X,E13.6,1X,E12.4,'ST')");
    Sink& out = prog.io.listing;
    out.write(header, {});
    for (int k = 1; k <= componentCount(prog); ++k) {
        const Species& s = prog.sp[k];
        const double mtot = prog.comp[k].mtot;
        const double totalMolality = mtot / prog.run.kgw;
        const double ppm = 1e6 * s.formulaWeight * mtot / sums.totalMass;
        const double alpha = totalMolality == 0.0 ? ALPHA_OF_ZERO_TOTAL : s.molality / totalMolality;
        out.write(row, {k, s.name.view(), s.molality, mtot, componentFlag(prog, k), ppm, totalMolality, alpha});
    }
    writeLiteralLine(prog, sulfide, DB_SULFIDE, sums.literalHS, sums.totalMass);
    writeLiteralLine(prog, sulfate, DB_SULFATE, sums.literalSO4, sums.totalMass);
}

void writeLegends(Program& prog, const SolutionSums& sums) {
    static const Layout gap("(/)");
    static const Layout computed("(2X,'CM means total moles of that species was computed',' from input of its activity')");
    static const Layout adjusted("(2X,'AD means total moles of that species was adjusted',' for charge balance')");
    static const Layout alkalinity("(2X,'AL means mtot of carbonate was computed from',' an alkalinity of  ',E12.7)");
    static const Layout text("(A)");
    Sink& out = prog.io.listing;
    out.write(gap, {});
    if (prog.input.pH != 0.0 || prog.input.fixedActivityPosition != 0) out.write(computed, {});
    if (chargeWasAdjusted(prog)) out.write(adjusted, {});
    // The alkalinity is held in equivalents; the legend shows it per kg of water.
    if (prog.input.alkalinity != 0.0) out.write(alkalinity, {prog.input.alkalinity / prog.run.kgw});
    if (sums.literalHS != 0.0 || sums.literalSO4 != 0.0) {
        out.write(text, {"  ST means total moles, ppm and total molality exclude species"});
        out.write(text, {"      for which SO4-2 and HS- are only involved in redox "});
    }
}

bool loopLimitReached(const Program& prog) { return prog.run.loops >= prog.input.loopLimit; }

void writeForcedSaturation(Program& prog) {
    static const Layout legend("(2X,'EQ means total moles computed at forced'/5X,'saturation with the phase component '/5X,'below. Log(act) shown beneath name of phase component.')");
    static const Layout names("(10(A20,1X))");
    static const Layout targets("(10(F8.3,13X))");
    const int count = prog.forced.count;
    if (count == 0) return;
    std::vector<Value> phases, saturationIndices, components;
    for (int e = 1; e <= count; ++e) {
        const ForcedSaturation& entry = prog.forced[e];
        phases.emplace_back(entry.mineral.view());
        saturationIndices.emplace_back(entry.target);
        components.emplace_back(prog.sp[entry.component].name.view());
    }
    Sink& out = prog.io.listing;
    out.write(legend, {});
    out.write(names, phases);
    out.write(targets, saturationIndices);
    out.write(names, components);
}

}  // namespace

void evaluateEhAndSourceTemperature(Program& prog) {
    evaluateSourceTemperature(prog);
    evaluateEh(prog);
}

void writeResultBlock(Program& prog) {
    evaluateEhAndSourceTemperature(prog);
    const SolutionSums sums = solutionSums(prog);
    writeHead(prog);
    writeChargeBalance(prog);
    writeConditions(prog);
    writeWater(prog);
    writeNaClWarning(prog);
    writeIonicStrength(prog, sums);
    writeEh(prog);
    writeSourceTemperature(prog);
    writeSpeciesTable(prog);
    writeTotalsTable(prog, sums);
    writeLegends(prog, sums);
    // A run that used up its loops ends here, before the forced-saturation
    // legend; this holds for the extra debug block of loop 2 as well.
    if (loopLimitReached(prog)) {
        writeNonConvergence(prog);
        stop(ExitStatus::error);
    }
    writeForcedSaturation(prog);
}

void writeNonConvergence(Program& prog) {
    static const Layout L("(//5X,'**** NUMBER OF LOOPS REACHED GIVEN MAXIMUM OF ',I3/5X,'      NON-CONVERGENCE ASSUMED, EXECUTION ','ABORTED'//)");
    prog.io.listing.write(L, {prog.input.loopLimit});
    prog.io.console.write(L, {prog.input.loopLimit});
}

}  // namespace wq
