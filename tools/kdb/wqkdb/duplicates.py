"""One entry per aqueous species.

Two aqueous species whose formulas differ only by water are one species in
an aqueous solution: the activity of water is fixed by the solvent, so
AsO2- and H2AsO3- (AsO2- + H2O = H2AsO3-) stand for the same dissolved
arsenite, and a database carrying both counts it twice.  The composition is
therefore compared apart from water: the elements other than H and O, the
charge, and H - 2 O (unchanged by adding or removing H2O).
"""

# Entries of the slop98 set that duplicate another one, the one kept, and why.
LEFT_OUT = {
    "H2AsO3-": ("AsO2-",
                "same species as AsO2- apart from water (AsO2- + H2O = H2AsO3-); "
                "AsO2- is kept: Shock et al. (1997), the revision of the As(III) and "
                "As(V) species that HAsO2,aq and H2AsO4- come from; H2AsO3- dates "
                "from 1987"),
}


def species_key(elements, charge):
    """The composition of a species apart from water."""
    heavy = tuple(sorted((e, round(n, 6)) for e, n in elements.items()
                         if e not in ("H", "O") and abs(n) > 1e-9))
    return heavy, int(round(charge)), round(elements.get("H", 0.0) - 2.0 * elements.get("O", 0.0), 6)


def refuse_duplicates(entries):
    """entries: (name, elements, charge).  Raises naming both entries when
    two share a composition apart from water."""
    seen = {}
    for name, elements, charge in entries:
        key = species_key(elements, charge)
        if key in seen:
            raise RuntimeError("aqueous species %s and %s are one species (the same "
                               "composition apart from water, charge %+d): keep one"
                               % (seen[key], name, key[1]))
        seen[key] = name
