#include "input/couple_section.hpp"

#include <string_view>

#include "text/fields.hpp"
#include "text/textfile.hpp"

namespace wq {

namespace {

constexpr std::string_view HEADING = "==================== redox couples";

bool startsWith(std::string_view line, std::string_view head) { return line.substr(0, head.size()) == head; }

std::string lineFault(int line, const std::string& what) { return "line " + std::to_string(line) + ": " + what; }

// The members line and the reaction line of an entry; false, with the fault,
// when one cannot be read.
bool readCoupleHead(TextFile& file, CoupleText& c, std::string& fault) {
    std::string_view line;
    long long oxidized = 0;
    long long reduced = 0;
    if (!file.next(line) || !readIntegerField(line, 1, 4, oxidized) || !readIntegerField(line, 5, 4, reduced) ||
        oxidized < 0 || oxidized > MAX_COMPONENTS || reduced < 0 || reduced > MAX_COMPONENTS) {
        fault = lineFault(file.lineNumber(), "the members of couple " + std::string(c.name.trimmed()) + " cannot be read");
        return false;
    }
    c.oxidized = static_cast<int>(oxidized);
    c.reduced = static_cast<int>(reduced);
    c.element = std::string(withoutBlanksAround(columns(line, 11, 2)));
    long long itot = 0;
    if (!file.next(line) || !readIntegerField(line, 1, 2, itot) || itot < 1 || itot > MAX_TERMS) {
        fault = lineFault(file.lineNumber(), "the reaction of couple " + std::string(c.name.trimmed()) + " cannot be read");
        return false;
    }
    c.itot = static_cast<int>(itot);
    for (int j = 1; j <= c.itot; ++j) {
        const int first = 4 + 12 * (j - 1);
        long long number = 0;
        const auto k = static_cast<std::size_t>(j - 1);
        if (!readRealField(line, first, 10, 3, c.coef[k]) || !readIntegerField(line, first + 10, 2, number) ||
            number < 1 || number > MAX_COMPONENTS) {
            fault = lineFault(file.lineNumber(), "term " + std::to_string(j) + " of couple " +
                                                     std::string(c.name.trimmed()) + " cannot be read");
            return false;
        }
        c.number[k] = static_cast<int>(number);
    }
    return true;
}

}  // namespace

CoupleSection parseCoupleSection(TextFile& file) {
    CoupleSection section;
    std::string_view line;
    while (file.next(line))
        if (startsWith(line, HEADING)) {
            section.present = true;
            break;
        }
    if (!section.present) return section;
    for (;;) {
        CoupleText c;
        if (!file.next(line) || !file.next(line)) {
            section.fault = lineFault(file.lineNumber(), "end of file in the redox couples: the blank entry that ends them is missing");
            return section;
        }
        c.name.assign(columns(line, 1, 20));
        if (c.name.isBlank()) return section;
        const bool full = isFullTable(columns(line, 91, 4));
        if (!readCoupleHead(file, c, section.fault)) return section;
        c.table = checkTable(file, full, section.groups);
        if (c.table.status != TableRead::ok) {
            section.fault = lineFault(c.table.failureLine, "the log K table of couple " + std::string(c.name.trimmed()) +
                                                               " cannot be read");
            return section;
        }
        section.entries.push_back(c);
    }
}

}  // namespace wq
