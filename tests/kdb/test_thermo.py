"""Equations of state of the database builder: water, activity model,
HKF aqueous species, minerals and gases."""

import math
import os
import unittest

import support

from wqkdb import activity, hkf, minerals, thermodata, water  # noqa: E402
from wqkdb.logk import GibbsCache  # noqa: E402


def cache(states):
    _, sp = support.slop98()
    return GibbsCache(sp, [s.t for s in states], [s.p for s in states],
                      [s.rho for s in states], [s.eps for s in states],
                      [s.g_h2o for s in states])


@support.needs_thermo
class WaterAndActivityModel(unittest.TestCase):

    def test_pkw_25c(self):
        gc = cache([water.state_tp(298.15, 1.0)])
        pkw = -float(gc.logk("H2O(l)", [(1.0, "H+"), (1.0, "OH-")])[0])
        print("\n  pKw(25 C, 1 bar) = %.4f" % pkw)
        self.assertAlmostEqual(pkw, 13.995, delta=0.005)

    def test_water_convention(self):
        st = water.state_tp(298.15, 1.0)
        self.assertAlmostEqual(st.g_h2o, water.G_H2O_REF, places=6)
        # third-law entropy: -dG/dT at Tr, Pr
        s = -(water.state_tp(298.65, 1.0).g_h2o - water.state_tp(297.65, 1.0).g_h2o) / 1.0
        self.assertAlmostEqual(s, water.S_H2O_REF, delta=0.01)
        self.assertAlmostEqual(st.rho, 0.997047, places=5)

    def test_dielectric_jn91(self):
        # Johnson & Norton (1991) at 25 C, 1 bar: 78.24 (SUPCRT92 prints 78.245)
        self.assertAlmostEqual(water.dielectric_jn91(298.15, 0.997047), 78.244, delta=0.01)

    def test_metastable_liquid_on_grid_curve(self):
        # 1.0133 bar at 100 C lies just below the IAPWS-95 saturation pressure
        st = water.state_liquid_tp(373.15, 1.0133)
        self.assertGreater(st.rho, 0.95)
        ref = water.state_tp(373.15, 1.02)
        self.assertAlmostEqual(st.g_h2o, ref.g_h2o, delta=0.2)

    def test_a_b_against_hkf81(self):
        tab = thermodata.load_hkf81_tables(os.path.join(support.THERMO,
                                                        "hkf81_activity_tables.csv"))
        worst = (0.0, None)
        for (t, p), (a81, b81, _, _) in sorted(tab.items()):
            if t > 300.0:
                continue
            t_k = max(t, 0.01) + 273.15
            if p == 1.0 and t >= 100.0:
                st = water.state_liquid_tp(t_k, water.saturation_pressure(t_k))
            else:
                st = water.state_tp(t_k, p)
            a, b = water.debye_huckel_a_b(t_k, st.rho, st.eps)
            for name, mine, ref in (("A", a, a81), ("B", b, b81)):
                dev = abs(mine / ref - 1.0)
                if dev > worst[0]:
                    worst = (dev, (name, t, p, mine, ref))
        print("\n  largest A/B deviation from HKF81 (<= 300 C): %.3f %% %s"
              % (100 * worst[0], worst[1]))
        self.assertLess(worst[0], 0.01)

    def test_hkf81_b_conversion_25c(self):
        tab = thermodata.load_hkf81_tables(os.path.join(support.THERMO,
                                                        "hkf81_activity_tables.csv"))
        interp = activity.Hkf81Interpolator(tab)
        beta, bnacl = interp(25.0, 1.0)
        self.assertAlmostEqual(beta * activity.B_ETA_FACTOR * 298.15, 2.467, delta=0.001)
        self.assertAlmostEqual(100.0 * bnacl, -9.752, delta=0.001)
        # interpolation reproduces table nodes
        b300, n300 = interp(300.0, 1000.0)
        self.assertAlmostEqual(b300, -11.643e-7, delta=1e-12)
        self.assertAlmostEqual(n300, 13.731e-2, delta=1e-9)


@support.needs_thermo
class SpeciesModels(unittest.TestCase):

    def test_g_function(self):
        # vanishes at and above 1 g/cm3, negative in expanded water
        self.assertEqual(float(hkf.g_function(298.15, 1.0, 1.0)), 0.0)
        self.assertEqual(float(hkf.g_function(273.16, 5000.0, 1.1)), 0.0)
        self.assertLess(float(hkf.g_function(573.15, 500.0, 0.75)), 0.0)

    def test_hkf_reference_state(self):
        _, sp = support.slop98()
        st = water.state_tp(298.15, 1.0)
        for name in ("Na+", "Cl-", "SO4--", "CO2(aq)", "Fe+++"):
            g = float(hkf.gibbs(sp[name], st.t, st.p, st.rho, st.eps))
            self.assertAlmostEqual(g, sp[name]["Gf"], delta=0.5, msg=name)

    def test_quartz_volume_integral(self):
        _, sp = support.slop98()
        q = sp["Quartz"]
        for t_k, p in ((573.15, 2000.0), (773.15, 5000.0), (298.15, 1000.0)):
            n = 2000
            h = (p - 1.0) / n
            tot = 0.0
            for i in range(n + 1):
                pp = 1.0 + i * h
                ttr = q["phases"][0]["Ttr"] + (pp - 1.0) / q["phases"][0]["dPdT"]
                v = (q["Vr"] + minerals.QUARTZ_CA * (pp - 1.0)
                     + (minerals.QUARTZ_VTT - q["Vr"] - minerals.QUARTZ_CA * (pp - 1.0))
                     * (t_k - 298.15) / (ttr - 298.15))
                w = 1 if i in (0, n) else (4 if i % 2 else 2)
                tot += w * v
            num = tot * h / 3.0 * minerals.CM3_BAR_TO_CAL
            self.assertAlmostEqual(minerals._quartz_alpha_vdp(q, t_k, p), num, delta=1e-3)

    def test_transition_rises_with_pressure(self):
        _, sp = support.slop98()
        q = sp["Quartz"]
        t = 860.0                                   # above Ttr at 1 bar (848 K)
        self.assertEqual(minerals.stable_phase(q, t, 1.0), 1)
        self.assertEqual(minerals.stable_phase(q, t, 1000.0), 0)
        # G continuous across the P-dependent boundary
        ptr = 1.0 + (t - 848.0) * 38.5
        ga = minerals.gibbs_mineral(q, t, ptr + 1e-6)
        gb = minerals.gibbs_mineral(q, t, ptr - 1e-6)
        self.assertAlmostEqual(ga, gb, delta=1.0)

    def test_gas_has_no_pressure_term(self):
        _, sp = support.slop98()
        g1 = minerals.gibbs_solid_or_gas(sp["CO2(g)"], [500.0, 500.0], [1.0, 3000.0])
        self.assertEqual(g1[0], g1[1])
        self.assertAlmostEqual(minerals.gibbs_gas(sp["CO2(g)"], 298.15), sp["CO2(g)"]["Gf"])


if __name__ == "__main__":
    unittest.main()
