// Units shared by the models: the kelvin offset, in the two forms the
// program's formulas use.
#pragma once

namespace wq {

// T(K) = t(deg C) + 273.15.
constexpr double KELVIN_OFFSET = 273.15;
// The same offset held in single precision, as the Eh and geothermometer
// formulas have always used it (273.1499938964844).
constexpr double KELVIN_OFFSET_SINGLE = double(273.15f);

}  // namespace wq
