#include "input/component_catalog.hpp"

#include "input/parsed_database.hpp"

namespace wq {

const CatalogComponent* ComponentCatalog::byName(std::string_view name) const {
    for (const CatalogComponent& c : components)
        if (c.name == name) return &c;
    return nullptr;
}

const CatalogComponent* ComponentCatalog::byNumber(int number) const {
    for (const CatalogComponent& c : components)
        if (c.number == number) return &c;
    return nullptr;
}

std::optional<ComponentCatalog> componentCatalog(const ParsedDatabase& database, std::string& error) {
    if (database.head.failure != DatabaseHead::Failure::none || database.components.empty()) {
        error = database.name + ": no component-species section (a line starting \"H+\")";
        return std::nullopt;
    }
    ComponentCatalog catalog;
    int number = 0;
    for (const ComponentLine& line : database.components) {
        ++number;
        if (line.blankMark) break;
        if (!line.readable) {
            error = database.name + ": line " + std::to_string(line.line.number) +
                    ": the charge or formula weight of a component cannot be read";
            return std::nullopt;
        }
        catalog.components.push_back({number, std::string(line.name.trimmed()), line.charge, line.formulaWeight});
    }
    return catalog;
}

}  // namespace wq
