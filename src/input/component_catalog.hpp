// The component species a database offers, by database number: their names
// and formula weights, for front ends that name components and convert
// concentrations (mg/kg, mg/L) to moles.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace wq {

struct ParsedDatabase;

struct CatalogComponent {
    int number = 0;            // database number (1 to 70)
    std::string name;          // as in the database, trailing blanks removed
    double charge = 0.0;
    double formulaWeight = 0.0;  // g/mol
};

struct ComponentCatalog {
    std::vector<CatalogComponent> components;  // in database order
    const CatalogComponent* byName(std::string_view name) const;
    const CatalogComponent* byNumber(int number) const;
};

// The component-species section of a database. nullopt with `error` set when
// the section cannot be found or a line of it cannot be read.
std::optional<ComponentCatalog> componentCatalog(const ParsedDatabase& database, std::string& error);

}  // namespace wq
