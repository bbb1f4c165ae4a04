#include "input/minerals.hpp"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "grid/grid.hpp"
#include "input/database.hpp"
#include "text/channels.hpp"
#include "input/logk_cache.hpp"
#include "input/logk_table.hpp"
#include "input/parsed_database.hpp"
#include "input/reading_plan.hpp"
#include "text/failure.hpp"
#include "text/stop.hpp"

namespace wq {

namespace {

// Walks the entries of one run. Entries passed over by counting lines follow
// the parsed list; an entry whose data, read as free-format groups, end
// elsewhere than their line count (a table not written one pressure row a
// line) leaves the list, and the entries after it are read for this run alone.
class EntryWalk {
public:
    EntryWalk(const ParsedDatabase& db, const MineralSection& section, const LogKConditions& at)
        : db_(db), section_(section), shared_(*db.image, section.groups, at), own_(*db.image, ownGroups_, at) {}

    const MineralText& current() const { return onList_ ? section_.entries.at(index_) : entry_; }
    // The log K of the current entry: worked out beforehand (`values`, for
    // the usual section's list) when there is one, else interpolated now.
    double logK(const MineralText& m, const LogKValues* values) {
        if (!onList_) return own_.value(m.table);
        if (values && db_.aqueous && &section_ == &db_.aqueous->minerals)
            if (const double* logK = values->mineralLogK(index_)) return *logK;
        return shared_.value(m.table);
    }
    const LogKConditions& conditions() const { return shared_.conditions(); }
    // The current entry is the list's entry `index()` (true until an entry
    // leaves the list; from then on the entries are this run's own).
    bool onList() const { return onList_; }
    std::size_t index() const { return index_; }

    // On to the entry after the current one, whose data were read (or passed over).
    void advance(bool dataRead) {
        const MineralText& m = current();
        const LineAt next = dataRead ? m.readEnd : *m.skipEnd;
        if (onList_ && !dataRead) {
            ++index_;
            return;
        }
        if (onList_ && index_ + 1 < section_.entries.size() && section_.entries[index_ + 1].start == next) {
            ++index_;
            return;
        }
        onList_ = false;
        ownGroups_.clear();
        entry_ = parseMineralEntry(db_, next, ownGroups_);
    }

private:
    const ParsedDatabase& db_;
    const MineralSection& section_;
    std::size_t index_ = 0;
    bool onList_ = true;
    MineralText entry_;
    GroupStarts ownGroups_;
    TableInterpolator shared_;
    TableInterpolator own_;
};

// One run's reading of the minerals and gases, as the steps below share it.
struct MineralReading {
    const DatabaseRun& run;
    const ParsedDatabase& db;
    const ForcedSaturationList& forced;
    ComponentTable& comp;
    MineralTable& minerals;
    bool debug;
    ComponentNumbers inRun;  // the database numbers of the run's components
};

// A free-format write: the run-time's leading blank, then the values.
void reportEntryReadError(MineralReading& r, const MineralEntry& m) {
    static const Layout message("(1X,A,A)");
    r.run.io.console.write(message, {"  Bombed on reading logkdata entries for mineral: ", m.name.view()});
}

[[noreturn]] void entryReadError(MineralReading& r, const MineralEntry& m) {
    reportEntryReadError(r, m);
    stop(ExitStatus::error, r.db.name + ": cannot read mineral " + std::string(m.name.trimmed()));
}

// The log K lines of an entry: the error line says where and what is wrong.
[[noreturn]] void tableReadError(MineralReading& r, const MineralEntry& m, const TableText& table) {
    reportEntryReadError(r, m);
    const ParsedDatabase& db = r.db;
    const std::string what = "cannot read the log K table of mineral " + std::string(m.name.trimmed());
    if (table.status == TableRead::endOfFile) fileFailure(db.name, table.failureLine, what + ": end of file");
    fileFailure(db.name, table.failureLine, what + ": " + tableFault(table, db.text()));
}

[[noreturn]] void tooManyEntries(MineralReading& r, int maxEntries) {
    static const Layout message(
        "(/5X,'NUMBER OF MINERALS READ IN LOGKDATA EXCEEDS MAXIMUM',' OF ',I3"
        "/5X,'LAST NAME READ IS:  ',A20//)");
    r.run.io.listing.write(message, {maxEntries, r.minerals[maxEntries].name.view()});
    stop(ExitStatus::error, r.db.name + ": more than " + std::to_string(maxEntries - 1) + " minerals and gases");
}

[[noreturn]] void tooManyTerms(MineralReading& r, const MineralEntry& m, long long terms) {
    static const Layout message(
        "(/5X,'MINERAL ',A20,' IN LOGKDATA HAS TOO MANY COMPONENTS'"
        "/5X,'ITOT FOR THAT MINERAL IS ',I3,' ; MAXIMUM IS ',I3//)");
    r.run.io.listing.write(message, {m.name.view(), terms, MAX_TERMS});
    stop(ExitStatus::error, r.db.name + ": mineral " + std::string(m.name.trimmed()) + " has more than " +
                                std::to_string(MAX_TERMS) + " terms");
}

// Lines 1 to 4 (and 5) of an entry into slot m, in their order, stopping
// where the reading of the file failed. An end of file before line 1 means
// the blank entry that ends the section is missing; any other failure of the
// head is the entry's read failure, naming whatever the slot holds by then.
void takeHead(MineralReading& r, const ParsedDatabase& db, const MineralText& t, MineralEntry& m) {
    using Fault = MineralText::Fault;
    if (t.fault == Fault::noFirstLine)
        fileFailure(db.name, t.faultLine,
                    "end of file in the minerals and gases: the entry with a blank name that ends the section is "
                    "missing");
    if (t.fault == Fault::noNameLine) entryReadError(r, m);
    m.name = t.name;
    if (t.fault == Fault::nameLine) entryReadError(r, m);
    m.suppression = t.suppression;
    m.rangeCode = t.rangeCode;
    m.dataRange = t.dataRange;
    if (t.fault == Fault::reaction) entryReadError(r, m);
    // The pairs are stored only when their count fits the table, so a term
    // beyond the maximum is never stored; the count itself is judged later,
    // once the entry is known not to be suppressed.
    if (t.terms <= MAX_TERMS) {
        if (t.fault == Fault::term) entryReadError(r, m);
        m.itot = t.terms < 0 ? 0 : static_cast<int>(t.terms);
        for (int j = 1; j <= m.itot; ++j) {
            m.coef[j] = t.coef[static_cast<std::size_t>(j - 1)];
            m.comp[j] = t.number[static_cast<std::size_t>(j - 1)];
        }
    }
    if (t.fault == Fault::extraLine) entryReadError(r, m);
}

void passOver(const ParsedDatabase& db, const MineralText& t) {
    if (!t.skipEnd)
        fileFailure(db.name, t.skipEndLine, "end of file in the log K lines of mineral " + std::string(t.name.view()));
}

// Database numbers to run positions; false when a term's component is not
// part of the run.
bool mapTerms(const MineralReading& r, MineralEntry& m) {
    for (int j = 1; j <= m.itot; ++j) {
        const int position = r.run.map.position(m.comp[j]);
        if (position == 0) return false;
        m.comp[j] = position;
    }
    return true;
}

// Links are made afresh in every run: a link left from an earlier run would
// point at a slot that may now hold another mineral.
void clearForcedLinks(MineralReading& r) {
    for (int k = 1; k <= r.forced.count; ++k) {
        Component& c = r.comp[r.forced[k].component];
        c.forcedMineral = 0;
        c.forcedEntry = 0;
    }
}

// The first list entry naming the mineral ties its component to the slot; a
// second entry naming the same mineral stays unlinked. Linking only accepted
// entries lets a forced mineral skipped for its data be reported as not found.
void linkForcedMineral(MineralReading& r, const MineralEntry& m, int slot) {
    for (int k = 1; k <= r.forced.count; ++k) {
        const ForcedSaturation& f = r.forced[k];
        if (f.mineral != m.name) continue;
        Component& c = r.comp[f.component];
        c.forcedMineral = slot;
        c.forcedEntry = k;
        return;
    }
}

// An entry kept at a temperature its data do not reach says so in the skip list.
void noteUseBeyondData(MineralReading& r, const MineralEntry& m, double temperature) {
    static const Layout beyond("(2X,A20,' used beyond its data (',A,'): log K extrapolated')");
    if (!r.run.io.skip.isOpen() || !usedBeyondData(m.dataRange, temperature)) return;
    r.run.io.skip.write(beyond, {m.name.view(), std::string_view(dataRangeText(m.dataRange))});
}

// The log K of an entry that can take part, and whether its data serve the run.
bool dataServeTheRun(MineralReading& r, EntryWalk& walk, const MineralText& t, MineralEntry& m) {
    static const Layout saturationOnly("(2X,A20,' skipped.  Data limited to L-V saturation')");
    static const Layout absent(
        "(2X,A20,' skipped. Log K data absent at given T.',' Max extrapolation is 50 \xB0" "C.')");
    if (t.table.status != TableRead::ok) tableReadError(r, m, t.table);
    m.logK = walk.logK(t, r.run.values);
    if (walk.conditions().extended && m.rangeCode.equals("L-V ")) {
        writeEach({&r.run.io.console, &r.run.io.skip}, saturationOnly, {m.name.view()});
        return false;
    }
    if (isAbsent(m.logK)) {
        writeEach({&r.run.io.console, &r.run.io.skip}, absent, {m.name.view()});
        return false;
    }
    noteUseBeyondData(r, m, walk.conditions().temperature);
    return true;
}

void reportSuppressed(MineralReading& r, const MineralEntry& m) {
    static const Layout suppressed("(2X,A20,' is SUPPRESSED in the LOGKDATA database')");
    writeEach({&r.run.io.console, &r.run.io.listing, &r.run.io.skip}, suppressed, {m.name.view()});
}

void reportSuppressedByUser(MineralReading& r, const MineralEntry& m) {
    static const Layout suppressed("(2X,A20,' is SUPPRESSED in this run by the user')");
    writeEach({&r.run.io.console, &r.run.io.listing, &r.run.io.skip}, suppressed, {m.name.view()});
}

void debugPrint(MineralReading& r, const MineralEntry& m) {
    static const Layout line("(2X,A20,2X,F9.4)");
    if (r.debug) r.run.io.listing.write(line, {m.name.view(), m.logK});
}

// In a run whose console, listing and skip list all go nowhere (a batch's
// water), a well-read entry whose reaction names a component the run has not
// is passed over before its head is taken: nothing would be said of it, and
// its slot would go to the next entry.
bool passedOverSilently(const MineralReading& r, const MineralText& t) {
    if (r.debug || !r.run.io.saysNothing() || r.inRun.hold(t.numbers)) return false;
    return t.fault == MineralText::Fault::none && t.terms >= 0 && t.terms <= MAX_TERMS;
}

const MineralSection& runMineralSection(const ParsedDatabase& db, const RunSection& run) {
    if (run.database != &db || !run.aqueous || !run.aqueous->complete)
        throw InternalError{"the minerals are read before the aqueous species of the run"};
    const MineralSection& section = run.aqueous->minerals;
    if (!section.headComplete)
        fileFailure(db.name, section.headEndLine, "end of file in the lines that open the minerals and gases");
    return section;
}

// The plan's entries into the slots the reading gave them: what the reading
// writes of a kept entry, with its log K at the run's conditions. The
// entries as taken are made once for the plan and copied as one block.
int takePlannedMinerals(MineralReading& r, const MineralSection& section, ReadingPlan& plan) {
    std::vector<MineralEntry>& entries = plan.mineralEntries;
    if (entries.size() != plan.minerals.size() + 1) {
        std::vector<MineralEntry> taken(plan.minerals.size() + 1);
        for (std::size_t n = 0; n < plan.minerals.size(); ++n) {
            takeHead(r, r.db, section.entries[plan.minerals[n]], taken[n]);
            mapTerms(r, taken[n]);
        }
        takeHead(r, r.db, section.entries[plan.mineralsEnd], taken.back());
        entries = std::move(taken);
    }
    const int count = static_cast<int>(plan.minerals.size());
    r.minerals.at.growTo(count + 1);
    const std::span<MineralEntry> slots = r.minerals.at.positions(1, count + 1);
    std::copy(entries.begin(), entries.end(), slots.begin());
    for (int slot = 1; slot <= count; ++slot)
        r.minerals[slot].logK = *r.run.values->mineralLogK(plan.minerals[static_cast<std::size_t>(slot - 1)]);
    r.minerals.count = count;
    return count;
}

// The plan this reading takes or makes: only after a reading of the species
// by the plan's key (ReadingPlan::current), on the usual section, with no
// forced mineral and no debug table; null when none.
ReadingPlan* mineralPlan(const MineralReading& r, const RunSection& aqueous, int maxEntries) {
    ReadingPlan* plan = r.run.plan;
    if (!plan || !plan->current || !r.run.values || r.forced.count != 0 || r.debug || aqueous.own) return nullptr;
    if (!(plan->mineralsReady && plan->maxEntries == maxEntries)) {
        plan->mineralsReady = false;
        plan->minerals.clear();
        plan->mineralEntries.clear();
        plan->maxEntries = maxEntries;
    }
    return plan;
}

}  // namespace

int readMineralsAndGases(const DatabaseRun& run, const RunSection& aqueous, const ForcedSaturationList& forced,
                         ComponentTable& comp, MineralTable& minerals, bool debug, int maxEntries) {
    if (maxEntries < 1) throw InternalError{"no slot for the entry that ends the minerals and gases"};
    if (!run.database) throw InternalError{"the database is read before it was loaded"};
    const ParsedDatabase& db = *run.database;
    MineralReading r{run, db, forced, comp, minerals, debug, run.map.numbers()};
    clearForcedLinks(r);
    const MineralSection& section = runMineralSection(db, aqueous);
    ReadingPlan* plan = mineralPlan(r, aqueous, maxEntries);
    if (plan && plan->mineralsReady) return takePlannedMinerals(r, section, *plan);
    EntryWalk walk(db, section, run.at);
    // Every entry is read into the next free slot, the blank one that ends the
    // section included; an entry left out leaves its slot to the next.
    int slot = 1;
    for (;; ) {
        if (slot > maxEntries) tooManyEntries(r, maxEntries);
        minerals.at.growTo(slot);
        MineralEntry& m = minerals[slot];
        const MineralText& t = walk.current();
        if (passedOverSilently(r, t)) {
            passOver(db, t);
            walk.advance(false);
            continue;
        }
        takeHead(r, db, t, m);
        if (m.name.isBlank()) {
            if (plan && walk.onList()) {
                plan->mineralsEnd = static_cast<std::uint32_t>(walk.index());
                // A plan takes every log K from the run's values.
                plan->mineralsReady = run.values && std::all_of(plan->minerals.begin(), plan->minerals.end(), [&](std::uint32_t k) {
                    return run.values->mineralLogK(k);
                });
            }
            break;
        }
        if (!isKeptCode(m.suppression)) {
            reportSuppressed(r, m);
            passOver(db, t);
            walk.advance(false);
            continue;
        }
        if (r.run.leaveOut && r.run.leaveOut->isSuppressed(m.name.trimmed())) {
            reportSuppressedByUser(r, m);
            passOver(db, t);
            walk.advance(false);
            continue;
        }
        if (t.terms > MAX_TERMS) tooManyTerms(r, m, t.terms);
        if (!mapTerms(r, m)) {
            passOver(db, t);
            walk.advance(false);
            continue;
        }
        const bool kept = dataServeTheRun(r, walk, t, m);
        if (kept && plan && walk.onList()) plan->minerals.push_back(static_cast<std::uint32_t>(walk.index()));
        walk.advance(true);
        if (!kept) continue;
        debugPrint(r, m);
        linkForcedMineral(r, m, slot);
        ++slot;
    }
    minerals.count = slot - 1;
    return minerals.count;
}

}  // namespace wq
