"""The program's fixed pressure-temperature grid.

Every full table of the database holds 37 rows (pressures) of 36 values
(temperatures).  Pressures 2..12 are the saturation pressures of water at
100, 125, ..., 350 C (rounded), so that the point (row k+1, column k+4)
stands for the saturated liquid.
"""

P_GRID = (1.0, 1.0133, 2.321, 4.758, 8.919, 15.537, 25.479, 39.737, 59.432,
          85.839, 120.458, 165.212, 200.0, 250.0, 300.0, 350.0, 400.0, 450.0,
          500.0, 550.0, 600.0, 650.0, 700.0, 750.0, 800.0, 850.0, 900.0,
          950.0, 1000.0, 1500.0, 2000.0, 2500.0, 3000.0, 3500.0, 4000.0,
          4500.0, 5000.0)

T_GRID = (0.01, 25.0, 50.0, 75.0, 100.0, 125.0, 150.0, 175.0, 200.0, 225.0,
          250.0, 275.0, 300.0, 325.0, 350.0, 400.0, 410.0, 420.0, 430.0,
          440.0, 450.0, 460.0, 470.0, 480.0, 490.0, 500.0, 510.0, 520.0,
          530.0, 540.0, 550.0, 560.0, 570.0, 580.0, 590.0, 600.0)

NP = len(P_GRID)   # 37
NT = len(T_GRID)   # 36

# Columns (0-based) 4..14 (100..350 C) have their saturated-liquid point in
# row (column - 3), 0-based: 1.0133 bar at 100 C is row 1, and so on.
ON_CURVE = {c: c - 3 for c in range(4, 15)}


def _bracket_rows():
    """Lowest pressure index (1-based) that the program's grid location may
    use at each temperature bracket, and the temperature index of it.

    Mirrors the location rules of the program: inside a temperature bracket,
    the pressure block is moved up to leave out the vapour region, and
    pressures below an error threshold are refused.  Returned as a list of
    (temperature index, lowest admissible pressure, raise rules) where the
    raise rules are (pmin, pmax, n) ranges.
    """
    sat = (None, None, None, None, 1.0133, 2.321, 4.758, 8.919, 15.537, 25.479,
           39.737, 59.432, 85.839, 120.458, 165.212)
    rows = []
    # (T index, error threshold, raise list)
    rows.append((3, 0.0, []))
    rows.append((4, 0.0, []))
    rows.append((5, 0.0, [(0.0, 1.0133, 1)]))
    for it in range(6, 16):
        rows.append((it, sat[it - 2], [(0.0, sat[it - 1], 1)]))
    rows.append((16, 165.212, [(165.212, 200.0, 3), (200.0, 250.0, 2),
                               (250.0, 300.0, 1)]))
    tab = [(17, 200, 200, 350), (18, 350, 350, 400), (19, 350, 350, 400),
           (20, 400, 400, 450), (21, 450, 450, 500), (22, 450, 450, 500),
           (23, 500, 500, 550), (24, 550, 550, 600), (25, 550, 550, 600),
           (26, 600, 600, 650), (27, 600, 600, 650), (28, 650, 650, 700),
           (29, 700, 700, 750), (30, 700, 700, 750), (31, 700, 750, 800),
           (32, 800, 800, 850), (33, 800, 800, 850), (34, 850, 850, 900),
           (35, 900, 900, 950), (36, 900, 900, 950)]
    for it, err, lo, hi in tab:
        rows.append((it, float(err), [(float(lo), float(hi), 1)]))
    # (600, 700] C uses index 36 with error threshold 800 bar
    rows.append((36, 800.0, [(900.0, 950.0, 1)]))
    return rows


def served_cells():
    """Set of (row, column), 0-based, that an extended run of the program can
    read through its three-by-three interpolation without being refused.

    For each temperature bracket, every pressure from the error threshold
    upwards is located as the program does and the nine cells of its block
    are collected.  Used to check that the cells the program can reach hold
    values from the equations of state (or from the documented
    low-density rule), never from the steam fill.
    """
    cells = set()
    for it, err, raises in _bracket_rows():
        probes = sorted(set([max(err, 1.0)] + [p for p in P_GRID if p >= err]
                            + [r[0] for r in raises] + [r[1] - 1e-6 for r in raises]))
        for p in probes:
            if p < err or p < 1.0:
                continue
            if p < 4000.0:
                ip = max(k for k in range(1, 35) if P_GRID[k - 1] <= p)
            else:
                ip = 35
            if it == 3:
                ip = min(ip, 34)
            for lo, hi, n in raises:
                if lo <= p < hi:
                    ip += n
            for r in range(ip - 1, ip + 2):
                for c in range(it - 3, it):
                    cells.add((r, c))
    return cells
