#include "input/component_catalog.hpp"

#include "input/tables.hpp"
#include "text/fields.hpp"
#include "text/textfile.hpp"

namespace wq {

namespace {

constexpr std::string_view TABLES_MARK = "********";
constexpr std::string_view FIRST_COMPONENT = "H+      ";

std::string trimmed(std::string_view s) {
    while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
    while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
    return std::string(s);
}

// Columns 1-8 of a line, blank-padded to eight characters.
std::string head8(std::string_view line) {
    std::string h(columns(line, 1, 8));
    h.resize(8, ' ');
    return h;
}

bool findLine(TextFile& file, std::string_view head) {
    std::string_view line;
    while (file.next(line))
        if (head8(line) == head) return true;
    return false;
}

}  // namespace

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

std::optional<ComponentCatalog> readComponentCatalog(const TextFile& database, std::string& error) {
    TextFile file = database;
    file.rewind();
    if (!findLine(file, TABLES_MARK) || !findLine(file, FIRST_COMPONENT)) {
        error = database.name() + ": no component-species section (a line starting \"H+\")";
        return std::nullopt;
    }
    file.stepBack();
    ComponentCatalog catalog;
    std::string_view line;
    for (int number = 1; number <= MAX_COMPONENTS && file.next(line); ++number) {
        if (trimmed(columns(line, 1, 8)).empty()) break;
        CatalogComponent c;
        c.number = number;
        c.name = trimmed(columns(line, 1, 20));
        if (!readRealField(line, 21, 2, 0, c.charge) || !readRealField(line, 40, 8, 4, c.formulaWeight)) {
            error = database.name() + ": line " + std::to_string(file.lineNumber()) +
                    ": the charge or formula weight of component " + c.name + " cannot be read";
            return std::nullopt;
        }
        catalog.components.push_back(std::move(c));
    }
    return catalog;
}

}  // namespace wq
