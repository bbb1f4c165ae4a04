// The redox couples of the database: the section after the blank entry that
// ends the minerals and gases, which only a run with a redox state reads.
//
// Layout: free lines, then a heading line starting "==================== redox
// couples"; then one entry per couple: a free line; the name line (columns
// 1-20 the couple, reduced/oxidized, "e-" for the electron; columns 91-94 the
// range code, "All " for a full table); the members line (columns 1-4 and 5-8
// the database numbers of the oxidized and the reduced member, 0 0 for the
// electron; columns 11-12 the element); the reaction line as for aqueous
// species (the dissociation of the oxidized member, or of the electron, on
// the database's components: columns 1-2 the number of terms, then pairs of
// 12 columns from column 4, coefficient F10.3 and database number I2); and
// the log K table, full (37 groups of 36) or short (8 values). The section
// ends with an entry whose name is blank.

#pragma once

#include <array>
#include <string>
#include <vector>

#include "input/logk_table.hpp"
#include "input/tables.hpp"

namespace wq {

class TextFile;

// One entry as it stands in the file.
struct CoupleText {
    Name20 name;
    int oxidized = 0;  // database numbers; 0 for the electron
    int reduced = 0;
    std::string element;
    int itot = 0;
    std::array<double, MAX_TERMS> coef{};
    std::array<int, MAX_TERMS> number{};
    TableText table;
};

struct CoupleSection {
    bool present = false;  // the heading was found
    std::string fault;     // what could not be read, with its line; empty when all was
    std::vector<CoupleText> entries;
    GroupStarts groups;
};

// The section from where `file` stands (the blank entry that ends the
// minerals and gases): its heading, when there is one, and its entries.
CoupleSection parseCoupleSection(TextFile& file);

}  // namespace wq
