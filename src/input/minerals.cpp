#include "input/minerals.hpp"

#include <initializer_list>
#include <string>
#include <string_view>

#include "grid/grid.hpp"
#include "input/logk_table.hpp"
#include "text/failure.hpp"
#include "text/fields.hpp"
#include "input/input_state.hpp"
#include "text/stop.hpp"

namespace wq {

namespace {

constexpr int SECTION_HEAD_LINES = 11;
// Entries left out are passed over by counting their data lines: a full table
// stands one pressure row per line, a short table on one line.
constexpr int FULL_TABLE_LINES = N_PRESSURES;
constexpr int SHORT_TABLE_LINES = 1;
// Entries of this type carry one more line after the reaction.
constexpr int TYPE_WITH_EXTRA_LINE = 6;

struct MineralReader {
    InputState& prog;
    TextFile& file;
    LogKTableReader tables;
    int maxTerms;

    MineralReader(InputState& p, int terms)
        : prog(p), file(p.database), tables(p.database, LogKConditions::of(p)), maxTerms(terms) {}
};

// The reaction line of the entry being read, and its term count as written.
struct ReactionLine {
    std::string_view line;
    long long terms = 0;
};

// A free-format write: the run-time's leading blank, then the values.
[[noreturn]] void entryReadError(MineralReader& r, const MineralEntry& m) {
    static const Layout message("(1X,A,A)");
    r.prog.io.console.write(message, {"  Bombed on reading logkdata entries for mineral: ", m.name.view()});
    fileFailure(r.file, "cannot read mineral " + std::string(m.name.trimmed()));
}

[[noreturn]] void tooManyEntries(MineralReader& r, int maxEntries) {
    static const Layout message(
        "(/5X,'NUMBER OF MINERALS READ IN LOGKDATA EXCEEDS MAXIMUM',' OF ',I3"
        "/5X,'LAST NAME READ IS:  ',A20//)");
    r.prog.io.listing.write(message, {maxEntries, r.prog.minerals[maxEntries].name.view()});
    fileFailure(r.file, "more than " + std::to_string(maxEntries - 1) + " minerals and gases");
}

[[noreturn]] void tooManyTerms(MineralReader& r, const MineralEntry& m, long long terms) {
    static const Layout message(
        "(/5X,'MINERAL ',A20,' IN LOGKDATA HAS TOO MANY COMPONENTS'"
        "/5X,'ITOT FOR THAT MINERAL IS ',I3,' ; MAXIMUM IS ',I3//)");
    r.prog.io.listing.write(message, {m.name.view(), terms, r.maxTerms});
    fileFailure(r.file, "mineral " + std::string(m.name.trimmed()) + " has more than " + std::to_string(r.maxTerms) +
                            " terms");
}

void skipSectionHead(MineralReader& r) {
    if (!r.tables.skipLines(SECTION_HEAD_LINES))
        fileFailure(r.file, "end of file in the lines that open the minerals and gases");
}

// The pairs are stored only when their count fits the table, so a term beyond
// the maximum is never stored; the count itself is judged later, once the
// entry is known not to be suppressed.
void readTerms(MineralReader& r, MineralEntry& m, const ReactionLine& reaction) {
    if (reaction.terms > r.maxTerms) return;
    m.itot = reaction.terms < 0 ? 0 : static_cast<int>(reaction.terms);
    for (int j = 1; j <= m.itot; ++j) {
        const int first = 4 + 12 * (j - 1);
        long long number = 0;
        if (!readRealField(reaction.line, first, 9, 3, m.coef[j]) ||
            !readIntegerField(reaction.line, first + 9, 3, number))
            entryReadError(r, m);
        // Out-of-range numbers are simply not components of the run.
        m.comp[j] = number < 0 || number > MAX_COMPONENTS ? 0 : static_cast<int>(number);
    }
}

// Lines 1 to 4 (and 5) of an entry into slot m. An end of file before the
// name means the blank entry that ends the section is missing.
void readEntryHead(MineralReader& r, MineralEntry& m, ReactionLine& reaction) {
    std::string_view line;
    if (!r.file.next(line) || !r.file.next(line))
        fileFailure(r.file,
                    "end of file in the minerals and gases: the entry with a blank name that ends "
                    "the section is missing");
    m.name.assign(columns(line, 1, 20));
    long long type = 0;
    double unused = 0.0;
    if (!readIntegerField(line, 67, 2, type) || !readRealField(line, 69, 8, 3, unused)) entryReadError(r, m);
    m.suppression.assign(columns(line, 81, 4));
    m.rangeCode.assign(columns(line, 91, 4));
    if (!r.file.next(line) || !r.file.next(line) || !readIntegerField(line, 1, 3, reaction.terms))
        entryReadError(r, m);
    reaction.line = line;
    readTerms(r, m, reaction);
    if (type == TYPE_WITH_EXTRA_LINE && !r.file.next(line)) entryReadError(r, m);
}

void skipData(MineralReader& r, const MineralEntry& m) {
    const int lines = LogKTableReader::isFullTable(m.rangeCode) ? FULL_TABLE_LINES : SHORT_TABLE_LINES;
    if (!r.tables.skipLines(lines))
        fileFailure(r.file, "end of file in the log K lines of mineral " + std::string(m.name.view()));
}

// Database numbers to run positions; false when a term's component is not
// part of the run.
bool mapTerms(const InputState& prog, MineralEntry& m) {
    for (int j = 1; j <= m.itot; ++j) {
        const int position = prog.map.position(m.comp[j]);
        if (position == 0) return false;
        m.comp[j] = position;
    }
    return true;
}

// Links are made afresh in every run: a link left from an earlier run would
// point at a slot that may now hold another mineral.
void clearForcedLinks(InputState& prog) {
    for (int k = 1; k <= prog.forced.count; ++k) {
        Component& c = prog.comp[prog.forced[k].component];
        c.forcedMineral = 0;
        c.forcedEntry = 0;
    }
}

// The first list entry naming the mineral ties its component to the slot; a
// second entry naming the same mineral stays unlinked. Linking only accepted
// entries lets a forced mineral skipped for its data be reported as not found.
void linkForcedMineral(InputState& prog, const MineralEntry& m, int slot) {
    for (int k = 1; k <= prog.forced.count; ++k) {
        const ForcedSaturation& f = prog.forced[k];
        if (f.mineral != m.name) continue;
        Component& c = prog.comp[f.component];
        c.forcedMineral = slot;
        c.forcedEntry = k;
        return;
    }
}

bool isKeptCode(const Code4& suppression) { return suppression.isBlank() || suppression.equals("GAS "); }

// Reads the log K of an entry that can take part and decides whether its data
// serve the run.
bool dataServeTheRun(MineralReader& r, MineralEntry& m) {
    static const Layout saturationOnly("(2X,A20,' skipped.  Data limited to L-V saturation')");
    static const Layout absent(
        "(2X,A20,' skipped. Log K data absent at given T.',' Max extrapolation is 50 \xB0" "C.')");
    if (r.tables.read(m.rangeCode, m.logK) != TableRead::ok) entryReadError(r, m);
    InputState& prog = r.prog;
    if (r.tables.conditions().extended && m.rangeCode.equals("L-V ")) {
        prog.io.console.write(saturationOnly, {m.name.view()});
        prog.io.skip.write(saturationOnly, {m.name.view()});
        return false;
    }
    if (isAbsent(m.logK)) {
        prog.io.console.write(absent, {m.name.view()});
        prog.io.skip.write(absent, {m.name.view()});
        return false;
    }
    return true;
}

void reportSuppressed(InputState& prog, const MineralEntry& m) {
    static const Layout suppressed("(2X,A20,' is SUPPRESSED in the LOGKDATA database')");
    prog.io.console.write(suppressed, {m.name.view()});
    prog.io.listing.write(suppressed, {m.name.view()});
    prog.io.skip.write(suppressed, {m.name.view()});
}

void debugPrint(InputState& prog, const MineralEntry& m) {
    static const Layout line("(2X,A20,2X,F9.4)");
    if (prog.input.debug != 0) prog.io.listing.write(line, {m.name.view(), m.logK});
}

}  // namespace

void minsat(InputState& prog, int maxTerms, int maxEntries) {
    MineralReader r(prog, maxTerms);
    clearForcedLinks(prog);
    skipSectionHead(r);
    // Every entry is read into the next free slot, the blank one that ends the
    // section included; an entry left out leaves its slot to the next.
    int slot = 1;
    for (;;) {
        if (slot > maxEntries) tooManyEntries(r, maxEntries);
        MineralEntry& m = prog.minerals[slot];
        ReactionLine reaction;
        readEntryHead(r, m, reaction);
        if (m.name.isBlank()) break;
        if (!isKeptCode(m.suppression)) {
            reportSuppressed(prog, m);
            skipData(r, m);
            continue;
        }
        if (reaction.terms > maxTerms) tooManyTerms(r, m, reaction.terms);
        if (!mapTerms(prog, m)) {
            skipData(r, m);
            continue;
        }
        if (!dataServeTheRun(r, m)) continue;
        debugPrint(prog, m);
        linkForcedMineral(prog, m, slot);
        ++slot;
    }
    prog.minerals.count = slot - 1;
    prog.conditions.mineralsSwitch = slot - 1;
}

}  // namespace wq
