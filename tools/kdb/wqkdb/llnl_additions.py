"""The entries taken from the LLNL data set thermo.com.V8.R6 (see llnl.py):
minerals, gases and aqueous species of natural waters that the slop98 set
lacks."""

# What is taken.  (kind, LLNL name, name in the database or None to keep the
# LLNL name).  Every entry is absent from the slop98 set (the builder refuses
# a second entry of one species); see tools/kdb/README.md for the reasons
# and for what was left out.
ADDITIONS = [
    # carbonate, sulfate and aluminate ion pairs of natural waters
    ("aqueous", "NaHCO3", None),
    ("aqueous", "NaCO3-", None),
    ("aqueous", "NaAlO2", None),
    ("aqueous", "SrSO4", None),
    ("aqueous", "AlSO4+", None),
    ("aqueous", "Al(SO4)2-", None),
    ("aqueous", "FeSO4", None),
    ("aqueous", "FeSO4+", None),
    ("aqueous", "FeHCO3+", None),
    # borate ion pairs of seawater
    ("aqueous", "NaB(OH)4", None),
    ("aqueous", "CaB(OH)4+", None),
    ("aqueous", "MgB(OH)4+", None),
    # sulfate complexes of the metals of mine and acid waters
    ("aqueous", "ZnSO4", None),
    ("aqueous", "CuSO4", None),
    ("aqueous", "CdSO4", None),
    ("aqueous", "NiSO4", None),
    ("aqueous", "CoSO4", None),
    ("aqueous", "LiSO4-", None),
    # iron(III) of acid waters: the disulfate.  The polynuclear hydroxides
    # Fe2(OH)2+4 and Fe3(OH)4+5 are left out: they hold 0.2 % and 0.002 % of
    # the Fe(III) of an acid mine water (pH 3, 0.5 mmol/kg Fe(III)) and
    # matter only above about 10 mmol/kg, but a run that starts with the
    # analysed Fe(III) as free Fe+++ at a neutral pH (the batch's start, a
    # run input's trial values) gives them up to hundreds of mol/kg at the
    # first loop (their amount goes as the square and the cube of Fe+++): the
    # iteration of seawater at 45-60 C then no longer converges in 100
    # loops, and 10 of 20,000 seawater variants end without a solution.
    ("aqueous", "Fe(SO4)2-", None),
    # aluminium fluorides of fluoride-rich and acid waters
    ("aqueous", "AlF+2", None),
    ("aqueous", "AlF2+", None),
    ("aqueous", "AlF3", None),
    ("aqueous", "AlF4-", None),
    # carbonate complexes of Fe(II) and Mn(II)
    ("aqueous", "FeCO3", None),
    ("aqueous", "MnHCO3+", None),
    # sulfates and evaporite salts
    ("mineral", "Gypsum", None),
    ("mineral", "Bassanite", None),
    ("mineral", "Epsomite", None),
    ("mineral", "Hexahydrite", None),
    ("mineral", "Kieserite", None),
    ("mineral", "Mirabilite", None),
    ("mineral", "Thenardite", None),
    ("mineral", "Glauberite", None),
    ("mineral", "Polyhalite", None),
    ("mineral", "Syngenite", None),
    ("mineral", "Bloedite", None),
    ("mineral", "Arcanite", None),
    ("mineral", "Aphthitalite", None),
    ("mineral", "Kainite", None),
    ("mineral", "Carnallite", None),
    ("mineral", "Bischofite", None),
    ("mineral", "Antarcticite", None),
    ("mineral", "Tachyhydrite", None),
    ("mineral", "Melanterite", None),
    ("mineral", "Jarosite", None),
    ("mineral", "Jarosite-Na", None),
    ("mineral", "Alum-K", None),
    # carbonates
    ("mineral", "Witherite", None),
    ("mineral", "Nahcolite", None),
    ("mineral", "Natron", None),
    ("mineral", "Thermonatrite", None),
    ("mineral", "Gaylussite", None),
    ("mineral", "Pirssonite", None),
    ("mineral", "Burkeite", None),
    ("mineral", "Monohydrocalcite", None),
    ("mineral", "Lansfordite", None),
    ("mineral", "Hydrozincite", None),
    ("mineral", "Dawsonite", None),
    # borate
    ("mineral", "Borax", None),
    # oxides and hydroxides
    ("mineral", "Goethite", None),
    ("mineral", "Fe(OH)3", None),
    ("mineral", "Portlandite", None),
    ("mineral", "Pyrolusite", None),
    ("mineral", "Hausmannite", None),
    ("mineral", "Manganite", None),
    ("mineral", "Bixbyite", None),
    ("mineral", "Mn(OH)2(am)", None),
    ("mineral", "Birnessite", None),
    ("mineral", "Todorokite", None),
    # phosphates
    ("mineral", "Hydroxylapatite", None),
    ("mineral", "Fluorapatite", None),
    ("mineral", "Strengite", None),
    ("mineral", "Vivianite", None),
    ("mineral", "Brushite", None),
    # silicates: zinc and manganese, calcium silicate hydrates of geothermal scale
    ("mineral", "Zn2SiO4", "Willemite"),
    ("mineral", "Rhodonite", None),
    ("mineral", "Tobermorite-11A", None),
    ("mineral", "Xonotlite", None),
    # clays
    ("mineral", "Illite", None),
    ("mineral", "Montmor-Na", None),
    ("mineral", "Montmor-K", None),
    ("mineral", "Montmor-Ca", None),
    ("mineral", "Montmor-Mg", None),
    ("mineral", "Beidellite-Na", None),
    ("mineral", "Beidellite-K", None),
    ("mineral", "Beidellite-Ca", None),
    ("mineral", "Beidellite-Mg", None),
    ("mineral", "Nontronite-Na", None),
    ("mineral", "Nontronite-K", None),
    ("mineral", "Nontronite-Ca", None),
    ("mineral", "Nontronite-Mg", None),
    ("mineral", "Saponite-Na", None),
    ("mineral", "Saponite-K", None),
    ("mineral", "Saponite-Ca", None),
    ("mineral", "Saponite-Mg", None),
    ("mineral", "Celadonite", None),
    ("mineral", "Chamosite-7A", None),
    ("mineral", "Ripidolite-7A", None),
    ("mineral", "Ripidolite-14A", None),
    ("mineral", "Smectite-high-Fe-Mg", None),
    ("mineral", "Smectite-low-Fe-Mg", None),
    # zeolites
    ("mineral", "Heulandite", None),
    ("mineral", "Stilbite", None),
    ("mineral", "Mordenite", None),
    ("mineral", "Clinoptilolite", None),
    ("mineral", "Clinoptilolite-Na", None),
    ("mineral", "Clinoptilolite-K", None),
    ("mineral", "Clinoptilolite-Ca", None),
    ("mineral", "Natrolite", None),
    ("mineral", "Scolecite", None),
    ("mineral", "Mesolite", None),
    # gases of volcanic and geothermal systems
    ("gas", "HCl(g)", None),
    ("gas", "HF(g)", None),
]

# Wanted but absent from the LLNL set (and from slop98): CaHSO4+, KAlO2(aq),
# trona Na3H(CO3)2:2H2O (the set has only the potassic Trona-K), crystalline
# pyrochroite (the set has Mn(OH)2(am), taken instead), PbSO4(aq), the
# higher aluminium fluorides AlF5-- and AlF6---, and the bisulfate
# complexes AlHSO4++ and FeHSO4++.
NOT_IN_LLNL = (("aqueous", "CaHSO4+"), ("aqueous", "KAlO2(aq)"), ("mineral", "Trona"),
               ("mineral", "Pyrochroite"), ("aqueous", "PbSO4(aq)"), ("aqueous", "AlF5--"),
               ("aqueous", "AlF6---"), ("aqueous", "AlHSO4++"), ("aqueous", "FeHSO4++"))
