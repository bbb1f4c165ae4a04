"""An independent reference speciation on the LLNL thermodynamic data set
(thermo.com.V8.R6, as tabulated in ../shared/thermo/llnl_logk.csv), with the
extended Debye-Hueckel ("B-dot") activity model of that data set, used to
compare wqspec's results on the same data.

thermo    reactions, log K(T) and ion sizes from the csv and the data0 file
activity  Debye-Hueckel A, B, B-dot on T; activity coefficients; water
speciate  the mass-balance system on given totals and pH; Newton solver;
          saturation indices
"""
