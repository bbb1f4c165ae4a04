#!/usr/bin/env python3
"""Writes WATERS.csv, the table of examples/batch, from the published analyses.

Every analysis is written here as its source gives it, in the source's own
units; the script does only the unit conversions and the derived rows
(mixtures, evaporation), so that each number of the table can be traced back.
README.md beside this script cites the source of every row.

The table is in mg per kg of solution, alkalinity in mg/kg as HCO3:
  - mg/L of a dilute water (under 0.2 g/L dissolved) are taken as mg/kg;
  - mmol/L or mmol/kg are turned into mg with the formula weights of the
    bundled database (LOGKDATA.KDB), the very weights the program divides by
    again, so that the conversion gives back the moles of the source;
  - boron given as B is entered as B(OH)3.

Run: python3 examples/batch/make_waters.py > examples/batch/WATERS.csv
     python3 examples/batch/make_waters.py --check   (the table is up to date)
"""
import os
import sys

HERE = os.path.dirname(os.path.abspath(__file__))

COLUMNS = ["Na+", "K+", "Ca++", "Mg++", "Sr++", "Li+", "NH4+", "Fe++", "Fe+++", "Mn++", "Al+++",
           "Cl-", "SO4--", "NO3-", "Br-", "F-", "SiO2,aq", "B(OH)3,aq", "HCO3-"]
ALK = "alkalinity"


def formula_weights():
    """Gram formula weights of the component species of the bundled database."""
    weights = {}
    with open(os.path.join(HERE, "..", "LOGKDATA.KDB"), encoding="latin-1") as f:
        for line in f:
            parts = line.split()
            if len(parts) == 8 and parts[5:7] == ["database", "number"]:
                weights[parts[0]] = float(parts[3])
    return weights


FW = formula_weights()
FW_B = 10.811  # boron, g/mol (IUPAC)


def from_mmol(analysis):
    """mmol (per L or per kg) to mg; the alkalinity key ALK holds mmol of HCO3."""
    return {k: v * (FW["HCO3-"] if k == ALK else FW[k]) for k, v in analysis.items()}


def from_mol(analysis):
    return from_mmol({k: 1000.0 * v for k, v in analysis.items()})


# --- Published analyses ------------------------------------------------------

# Seawater test composition, Nordstrom et al. (1979), mg/kg; as examples/seawater.
NORDSTROM_1979 = {"Ca++": 412.3, "Mg++": 1291.8, "Na+": 10768.0, "K+": 399.1, "Fe+++": 0.002,
                  "Mn++": 0.0002, "SiO2,aq": 4.28, "Cl-": 19353.0, "SO4--": 2712.0, ALK: 141.682}

# Reference composition of seawater, S = 35.16504 g/kg, Millero et al. (2008),
# mol/kg of solution. Boron is B(OH)3 + B(OH)4-; the alkalinity is the total
# alkalinity of the listed species, HCO3- + 2 CO3-- + B(OH)4- + OH-.
MILLERO_2008 = from_mol({"Na+": 0.4689674, "Mg++": 0.0528171, "Ca++": 0.0102821, "K+": 0.0102077,
                         "Sr++": 0.0000907, "Cl-": 0.5458696, "SO4--": 0.0282352, "Br-": 0.0008421,
                         "F-": 0.0000683, "B(OH)3,aq": 0.0003143 + 0.0001008,
                         ALK: 0.0017177 + 2 * 0.0002390 + 0.0001008 + 0.0000080})

# Mean composition of river waters, Livingstone (1963), mg/L: HCO3, SO4, Cl,
# NO3, Ca, Mg, Na, K, Fe, SiO2 and the sum Livingstone gives (to 1 mg/L).
# Asia and Africa give Na and K together; the sum is entered as Na. Iron is
# left out: in river samples it is mostly colloidal ferric oxyhydroxide, and
# entered as dissolved Fe+++ it would hydrolyse and its protons would set the
# computed pH (these rows give none).
def livingstone(hco3, so4, cl, no3, ca, mg, na, k, fe, sio2, total):
    check_sum([hco3, so4, cl, no3, ca, mg, na, k or 0.0, fe, sio2], total, 1.0)
    a = {ALK: hco3, "SO4--": so4, "Cl-": cl, "NO3-": no3, "Ca++": ca, "Mg++": mg, "Na+": na,
         "SiO2,aq": sio2}
    if k is not None:
        a["K+"] = k
    return a


def check_sum(constituents, total, tolerance):
    """A guard against a digit mistyped here: the constituents add up to the
    dissolved solids the source prints, within the rounding of its figures."""
    if abs(sum(constituents) - total) > tolerance:
        raise ValueError(f"{constituents} add up to {sum(constituents):g}, not the printed {total:g}")


LIVINGSTONE_1963 = {
    "river_world_livingstone1963": livingstone(58.4, 11.2, 7.8, 1.0, 15.0, 4.1, 6.3, 2.3, 0.67, 13.1, 120),
    "river_north_america_livingstone1963": livingstone(68, 20, 8, 1, 21, 5, 9, 1.4, 0.16, 9, 142),
    "river_south_america_livingstone1963": livingstone(31, 4.8, 4.9, 0.7, 7.2, 1.5, 4, 2, 1.4, 11.9, 69),
    "river_europe_livingstone1963": livingstone(95, 24, 6.9, 3.7, 31.1, 5.6, 5.4, 1.7, 0.8, 7.5, 182),
    "river_asia_livingstone1963": livingstone(79, 8.4, 8.7, 0.7, 18.4, 5.6, 9.3, None, 0.01, 11.7, 142),
    "river_africa_livingstone1963": livingstone(43, 13.5, 12.1, 0.8, 12.5, 3.8, 11, None, 1.3, 23.2, 121),
}


# Mean river waters, Meybeck (1979), mg/L: Ca, Mg, Na, K, Cl, SO4, HCO3, SiO2
# and the dissolved solids Meybeck gives (to 0.1 mg/L). "Natural" removes the
# pollution Meybeck estimates; "actual" is the world mean as sampled.
def meybeck(ca, mg, na, k, cl, so4, hco3, sio2, total):
    check_sum([ca, mg, na, k, cl, so4, hco3, sio2], total, 0.1)
    return {"Ca++": ca, "Mg++": mg, "Na+": na, "K+": k, "Cl-": cl, "SO4--": so4, ALK: hco3,
            "SiO2,aq": sio2}


MEYBECK_1979 = {
    "river_world_natural_meybeck1979": meybeck(13.4, 3.35, 5.15, 1.3, 5.75, 8.25, 52.0, 10.4, 99.6),
    "river_world_actual_meybeck1979": meybeck(14.7, 3.65, 7.2, 1.4, 8.25, 11.5, 53.0, 10.4, 110.1),
    "river_africa_natural_meybeck1979": meybeck(5.25, 2.15, 3.8, 1.4, 3.35, 3.15, 26.7, 12.0, 57.8),
    "river_asia_natural_meybeck1979": meybeck(16.6, 4.3, 6.6, 1.55, 7.6, 9.7, 66.2, 11.0, 123.5),
    "river_north_america_natural_meybeck1979": meybeck(20.1, 4.9, 6.45, 1.5, 7.0, 14.9, 71.4, 7.2, 133.5),
    "river_europe_natural_meybeck1979": meybeck(24.2, 5.2, 3.15, 1.05, 4.65, 15.1, 80.1, 6.8, 140.3),
}

# Sierra Nevada spring waters, Garrels & Mackenzie (1967), mmol/L, pH.
SIERRA_EPHEMERAL = from_mmol({"Na+": 0.134, "K+": 0.028, "Ca++": 0.078, "Mg++": 0.029, ALK: 0.328,
                              "SO4--": 0.010, "Cl-": 0.014, "SiO2,aq": 0.273})
SIERRA_PERENNIAL = from_mmol({"Na+": 0.259, "K+": 0.040, "Ca++": 0.260, "Mg++": 0.071, ALK: 0.895,
                              "SO4--": 0.025, "Cl-": 0.030, "SiO2,aq": 0.410})

# Wairakei deep water, after Ellis & Mahon (1977), mg/kg; as examples/geothermal.
# HCO3 is the carbonate total (the HCO3- column), not an alkalinity.
WAIRAKEI = {"Na+": 1250, "K+": 200, "Ca++": 17, "Mg++": 0.03, "Cl-": 2210, "SO4--": 36, "HCO3-": 40,
            "SiO2,aq": 670, "B(OH)3,aq": 28 * FW["B(OH)3,aq"] / FW_B}

# East Pacific Rise 21 N vent fluid, after Von Damm (1990), mmol/kg; as
# examples/brine (without its 1 umol placeholder of Mg, which the vent fluids lack).
EPR_21N = from_mmol({"Cl-": 489, "Na+": 432, "K+": 23.2, "Ca++": 15.6, "SiO2,aq": 17.6, "Li+": 0.89,
                     "SO4--": 0.5, "Fe++": 1.7, "Mn++": 0.96})

# Hubbard Brook Experimental Forest, New Hampshire, weighted means 1963-1974,
# Likens et al. (1977), mg/L; the pH from the H+ given. The HCO3 of these
# acid waters (rain 0.006, stream 0.9 mg/L) is left out: below pH 5 the
# alkalinity of the proton condition is negative (it counts -[H+]), so an
# HCO3 concentration is no alkalinity, and the carbonate is negligible.
HUBBARD_RAIN = {"Ca++": 0.16, "Mg++": 0.04, "K+": 0.07, "Na+": 0.12, "NH4+": 0.22, "SO4--": 2.9,
                "NO3-": 1.47, "Cl-": 0.47}
HUBBARD_RAIN_H = 0.074
HUBBARD_STREAM = {"Ca++": 1.65, "Mg++": 0.38, "K+": 0.23, "Na+": 0.87, "Al+++": 0.24, "NH4+": 0.04,
                  "SO4--": 6.3, "NO3-": 2.0, "Cl-": 0.55, "SiO2,aq": 4.5}
HUBBARD_STREAM_H = 0.012


def pH_from_hydrogen(mg_per_litre):
    """pH as -log10 of the H+ concentration in mol/L (the dilute water's activity)."""
    import math
    return round(-math.log10(mg_per_litre * 1e-3 / FW["H+"]), 2)


# --- Derived rows -------------------------------------------------------------

def mixture(river, sea, sea_fraction):
    """Mass fraction `sea_fraction` of seawater in river water, mg/kg."""
    keys = set(river) | set(sea)
    return {k: (1 - sea_fraction) * river.get(k, 0.0) + sea_fraction * sea.get(k, 0.0) for k in keys}


def evaporated(water, factor):
    """`water` (mg/kg) with its mass of water divided by `factor`, nothing precipitated."""
    solids = sum(water.values()) * 1e-3            # g per kg of solution
    solution = solids + (1000.0 - solids) / factor  # g left of that kg
    return {k: v * 1000.0 / solution for k, v in water.items()}


def rows():
    world = LIVINGSTONE_1963["river_world_livingstone1963"]
    yield "seawater_nordstrom1979", 25, 8.22, NORDSTROM_1979
    yield "seawater_millero2008", 25, 8.1, MILLERO_2008
    for name, analysis in LIVINGSTONE_1963.items():
        yield name, 25, None, analysis
    for name, analysis in MEYBECK_1979.items():
        yield name, 25, None, analysis
    yield "spring_sierra_ephemeral_garrels1967", 25, 6.2, SIERRA_EPHEMERAL
    yield "spring_sierra_perennial_garrels1967", 25, 6.8, SIERRA_PERENNIAL
    yield "rain_hubbard_brook_likens1977", 25, pH_from_hydrogen(HUBBARD_RAIN_H), HUBBARD_RAIN
    yield "stream_hubbard_brook_likens1977", 25, pH_from_hydrogen(HUBBARD_STREAM_H), HUBBARD_STREAM
    yield "geothermal_wairakei_ellis1977", 250, 6.0, WAIRAKEI
    yield "vent_epr21n_vondamm1990", 350, 5.0, EPR_21N
    for percent in (1, 10, 50):
        yield f"derived_estuary_{percent:02d}pct_seawater", 25, None, mixture(world, NORDSTROM_1979, percent / 100)
    for factor in (2, 3):
        yield f"derived_seawater_evaporated_{factor}x", 25, None, evaporated(NORDSTROM_1979, factor)


# The sources of the rows without a pH give none: beside an alkalinity the pH
# cannot follow from electroneutrality (the alkalinity fixes the charge the
# carbonate carries), so these waters are taken in equilibrium with the CO2
# of the air of their time, log f(CO2) = -3.5 (about 320 ppm, Keeling 1960,
# Tellus 12, 200-203): an assumption, for most rivers hold 2 to 10 times
# more CO2 than the air.
AIR_LOG_FCO2 = -3.5


def cell(v):
    if v is None:
        return ""
    return f"{v:.7g}"


def main(out=sys.stdout):
    header = (["name", "T [C]", "pH"] + [f"{c} [mg/kg]" for c in COLUMNS] + [f"{ALK} [mg/kg as HCO3]"] +
              ["CO2(g) [log f]"])
    out.write(",".join(f'"{h}"' if "," in h else h for h in header) + "\n")
    for name, t, ph, analysis in rows():
        unknown = set(analysis) - set(COLUMNS) - {ALK}
        assert not unknown, (name, unknown)
        co2 = AIR_LOG_FCO2 if ph is None and ALK in analysis else None
        cells = ([name, cell(t), cell(ph)] + [cell(analysis.get(c)) for c in COLUMNS] + [cell(analysis.get(ALK))] +
                 [cell(co2)])
        out.write(",".join(cells) + "\n")


def check():
    """True when WATERS.csv is what this script writes: the table and its
    sources cannot drift apart."""
    import io
    written = io.StringIO()
    main(written)
    with open(os.path.join(HERE, "WATERS.csv"), encoding="utf-8", newline="") as f:
        if f.read() == written.getvalue():
            return True
    sys.stderr.write("examples/batch/WATERS.csv is not what make_waters.py writes; rewrite it with\n"
                     "  python3 examples/batch/make_waters.py > examples/batch/WATERS.csv\n")
    return False


if __name__ == "__main__":
    if sys.argv[1:] == ["--check"]:
        sys.exit(0 if check() else 1)
    main()
