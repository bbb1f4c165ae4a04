#include "report/listing.hpp"

#include <string>
#include <vector>

#include "input/tables.hpp"
#include "run/results.hpp"
#include "text/channels.hpp"
#include "text/layout.hpp"

namespace wq {
namespace {

void writeHead(const Results& r, Sink& out) {
    static const Layout title1("(/2X,A80)");
    static const Layout title2("(2X,A80)");
    static const Layout rule("(2X,77('+'))");
    static const Layout loops("(2X,'Number of loops used = ',I3,9X,'Loop limit = ',I3)");
    out.write(title1, {r.title1});
    out.write(title2, {r.title2});
    out.write(rule, {});
    out.write(loops, {r.loops, r.loopLimit});
}

void writeChargeBalance(const Results& r, Sink& out) {
    static const Layout L("(2X,'Charge balance on ',A12,'     original Mtot value: ',E11.5/'        changed by: ',E11.5)");
    const ChargeBalanceReport& cb = r.chargeBalance;
    if (cb.adjusted) out.write(L, {cb.component, cb.startTotal, cb.change});
}

void writeConditions(const Results& r, Sink& out) {
    static const Layout L("(/2X,'Temperature: ',F6.2,'  Degrees C.    Pressure:',F8.3,' Bars'/)");
    if (r.temperature != 0.0) out.write(L, {r.temperature, r.pressure});
}

void writeWater(const Results& r, Sink& out) {
    static const Layout water("('  ','Water: ',F10.4,'(Kg.Liq.)  ',F10.4,'(Moles Liq.)  ',F10.4,'(Moles Total)'/'        Activity = ',F6.4)");
    static const Layout osmotic("('  ','Stoichiometric Ionic Strength = ',E12.7,'   Osmotic Coef. =',F8.4)");
    static const Layout nacl("('  ','Apparently NaCl is not the dominant solute,'/' thus Gamma(I) may be in error for this run')");
    static const Layout ionic("(/2X,'Ionic Strength = ',E12.7,6X,'Calculated Alkalinity = ',E12.7)");
    out.write(water, {r.kgWater, r.molesLiquidWater, r.molesWater, r.waterActivity});
    out.write(osmotic, {r.stoichiometricIonicStrength, r.osmoticCoefficient});
    if (r.naclNotDominant) out.write(nacl, {});
    out.write(ionic, {r.ionicStrength, r.calculatedAlkalinity});
}

void writeEhAndSourceTemperature(const Results& r, Sink& out) {
    static const Layout sulfate("(2X,'Eh = ',F8.4,' V. (FROM HS- + 4H2O <=> 9H+ +',' SO4-- +8e-)')");
    static const Layout oxygen("(2X,'Eh = ',F8.4,' V. (FROM H2O <=> 1/2 O2(AQ.) +',' 2H+ + 2E-)')");
    static const Layout source("(2X,'Na-K-Ca Source Temperature : ',F4.0,' Deg.C.     (Fournier & Truesdell, 1973)')");
    if (r.ehCouple == EhCouple::sulfideSulfate) out.write(sulfate, {r.eh});
    if (r.ehCouple == EhCouple::oxygen) out.write(oxygen, {r.eh});
    if (r.sourceTemperatureShown) out.write(source, {r.sourceTemperature});
}

// Only a run given a redox state has these lines: the state, what it came
// to, and the Eh at which each couple of the run is in equilibrium.
void writeRedoxState(const Results& r, Sink& out) {
    static const Layout state("(2X,'Redox state: ',A,';  pe = ',F7.3,',  Eh = ',F7.4,' V,  log a(O2,aq) = ',F8.3)");
    static const Layout decoupled("(2X,'Kept decoupled: ',A)");
    static const Layout header("(2X,'Couple                 Eh (V)        pe')");
    static const Layout couple("(2X,A20,F9.4,F10.3,A)");
    const RedoxReport& redox = r.redox;
    if (!redox.given) return;
    out.write(state, {redox.state, redox.pe, redox.eh, redox.logOxygen});
    if (!redox.decoupled.empty()) {
        std::string list;
        for (const std::string& e : redox.decoupled) list += (list.empty() ? "" : ", ") + e;
        out.write(decoupled, {list});
    }
    if (redox.couples.empty()) return;
    out.write(header, {});
    for (const RedoxCoupleRow& c : redox.couples)
        out.write(couple, {c.name, c.eh, c.pe, std::string(c.coupled ? "" : "   (decoupled)")});
}

void writeSpeciesTable(const Results& r, Sink& out) {
    static const Layout header("(/2X,'   Species         Molality      Log(m)    Activity       Log(a)    Gamma '/)");
    static const Layout row("(1X,I3,1X,A12,1X,E12.4,1X,F10.4,1X,E12.4,1X,F10.4,1X,E12.4,1X)");
    static const Layout waterRow("(1X,I3,1X,A12,1X,24X,E12.4,1X,F10.4,1X,E12.4)");
    static const Layout threshold("(/2X,'Species with molality < ',E8.2,' are not printed, above.'/)");
    out.write(header, {});
    for (const SpeciesRow& s : r.species) {
        if (!s.printed) continue;
        if (s.position == WATER_SLOT) {
            // Water has no molality of its own.
            out.write(waterRow, {s.position, s.name, s.activity, s.logActivity(), s.gamma});
        } else {
            out.write(row, {s.position, s.name, s.molality, s.logMolality(), s.activity, s.logActivity(), s.gamma});
        }
    }
    out.write(threshold, {r.printThreshold});
}

void writeLiteralLine(const Layout& layout, const LiteralTotal& t, Sink& out) {
    if (t.shown) out.write(layout, {t.molality, t.moles, t.ppm, t.totalMolality});
}

void writeTotalsTable(const Results& r, Sink& out) {
    static const Layout header("(/2X,'  Species          Molality     Tot Moles       ppm         Tot Molality   Alpha'/)");
    static const Layout row("(1X,I3,1X,A12,1X,E12.4,1X,E12.4,A2,1X,E13.6,1X,E12.4,1X,F10.6)");
    static const Layout sulfide("(5X,'HS- literal  ',E12.4,1X,E12.4,3X,E13.6,1X,E12.4,'ST')");
    static const Layout sulfate("(5X,'SO4-2 literal',E12.4,1X,E12.4,3X,E13.6,1X,E12.4,'ST')");
    out.write(header, {});
    for (const ComponentRow& c : r.components)
        out.write(row, {c.position, c.name, c.molality, c.moles, c.flag, c.ppm, c.totalMolality, c.alpha});
    writeLiteralLine(sulfide, r.sulfideLiteral, out);
    writeLiteralLine(sulfate, r.sulfateLiteral, out);
}

void writeLegends(const Results& r, Sink& out) {
    static const Layout gap("(/)");
    static const Layout computed("(2X,'CM means total moles of that species was computed',' from input of its activity')");
    static const Layout adjusted("(2X,'AD means total moles of that species was adjusted',' for charge balance')");
    static const Layout alkalinity("(2X,'AL means mtot of carbonate was computed from',' an alkalinity of  ',E12.7)");
    static const Layout text("(A)");
    out.write(gap, {});
    if (r.computedLegend) out.write(computed, {});
    if (r.chargeBalance.adjusted) out.write(adjusted, {});
    if (r.alkalinityLegend) out.write(alkalinity, {r.alkalinityPerKg});
    if (r.sulfideLiteral.shown || r.sulfateLiteral.shown) {
        out.write(text, {"  ST means total moles, ppm and total molality exclude species"});
        out.write(text, {"      for which SO4-2 and HS- are only involved in redox "});
    }
}

}  // namespace

void writeResultBlock(const Results& r, Sink& out) {
    writeHead(r, out);
    writeChargeBalance(r, out);
    writeConditions(r, out);
    writeWater(r, out);
    writeEhAndSourceTemperature(r, out);
    writeRedoxState(r, out);
    writeSpeciesTable(r, out);
    writeTotalsTable(r, out);
    writeLegends(r, out);
}

void writeForcedSaturationLegend(const Results& r, Sink& out) {
    static const Layout legend("(2X,'EQ means total moles computed at forced'/5X,'saturation with the phase component '/5X,'below. Log(act) shown beneath name of phase component.')");
    static const Layout names("(10(A20,1X))");
    static const Layout targets("(10(F8.3,13X))");
    if (r.forced.empty()) return;
    std::vector<Value> phases, saturationIndices, components;
    for (const ForcedRow& f : r.forced) {
        phases.emplace_back(f.mineral);
        saturationIndices.emplace_back(f.target);
        components.emplace_back(f.component);
    }
    out.write(legend, {});
    out.write(names, phases);
    out.write(targets, saturationIndices);
    out.write(names, components);
}

void writeNonConvergence(int loopLimit, Sink& listing, Sink& console) {
    static const Layout L("(//5X,'**** NUMBER OF LOOPS REACHED GIVEN MAXIMUM OF ',I3/5X,'      NON-CONVERGENCE ASSUMED, EXECUTION ','ABORTED'//)");
    writeEach({&listing, &console}, L, {loopLimit});
}

void writeSolveNote(const Results& results, Sink& listing, Sink& console) {
    static const Layout L("(/5X,A)");
    if (results.solveNote.empty()) return;
    writeEach({&listing, &console}, L, {results.solveNote});
}

}  // namespace wq
