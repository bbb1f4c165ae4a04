// The words of a table's header for the quantities besides the components,
// as laboratories and agencies export them: "name", "Sample", "Site ID";
// "T", "Temp", "Temperature"; "pH", "PH"; "Alkalinity", "Alk"; "EC",
// "SpC", "Conductivity"; "density", ...; each with the units it takes.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "input/column_kind.hpp"

namespace wq {

struct QuantityUnit {
    std::string_view name;  // as foldedUnit gives it; "" no unit
    double scale = 1.0;     // to the quantity's own unit (V, uS/cm, kg/L)
};

struct Quantity {
    ColumnKind kind;
    std::string_view canonical;  // the name the list of columns gives
    std::string_view what;       // "the pH", for a message
    std::span<const std::string_view> names;  // in lower case, blanks as one
    std::span<const QuantityUnit> units;      // empty: the temperature's or the alkalinity's own
    std::string_view accepted;   // the units, for the message that refuses another
};

// A header's name in lower case (ASCII), its blanks as one blank.
std::string foldedName(std::string_view name);

// The quantity whose header words include `name` (in any case); nullptr for
// none.
const Quantity* quantityNamed(std::string_view name);

// The unit `unit` of `q`; nullopt when it takes no such unit (the
// temperature and the alkalinity read theirs with table_units.hpp).
std::optional<QuantityUnit> quantityUnit(const Quantity& q, std::string_view unit);

// Every quantity, in the order of the list of columns.
std::span<const Quantity> quantities();

}  // namespace wq
