#include "input/parsed_database.hpp"

#include <string_view>

#include "text/fields.hpp"

namespace wq {

namespace {

// Markers of the file's layout (columns 1-8).
constexpr std::string_view TABLES_MARK = "********";
constexpr std::string_view FIRST_COMPONENT = "H+      ";
// Lines 1..70 of the component-species section are database numbers 1..70;
// the section ends at a line with blank columns 1-8, at the latest after
// line 71.
constexpr int COMPONENT_SECTION_LINES = MAX_COMPONENTS + 1;
constexpr int ACTIVITY_TABLES = 4;
constexpr int LABEL_LINES = 2;
// The lines that open the minerals and gases.
constexpr int MINERAL_HEAD_LINES = 11;
// Entries left out are passed over by counting their data lines: a full table
// stands one pressure row per line, a short table on one line.
constexpr int FULL_TABLE_LINES = N_PRESSURES;
constexpr int SHORT_TABLE_LINES = 1;
// Mineral entries of this type carry one more line after the reaction.
constexpr int TYPE_WITH_EXTRA_LINE = 6;

bool isBlankText(std::string_view s) { return s.find_first_not_of(' ') == std::string_view::npos; }

LineAt here(const TextFile& file) {
    return {static_cast<std::uint32_t>(file.position()), file.lineNumber() + 1};
}

TextFile cursorAt(const ParsedDatabase& db, LineAt at) {
    TextFile file(db.name, db.image);
    file.seek(at.offset, at.number - 1);
    return file;
}

// The last line read, columns 1-8, or blanks when none was read yet.
void rememberLastLine(TextFile& file, DatabaseHead& head) {
    head.lastLineMark.clear();
    head.anyLineRead = file.lineNumber() > 0;
    if (!head.anyLineRead) return;
    std::string_view last;
    file.stepBack();
    file.next(last);
    head.lastLineMark = std::string(columns(last, 1, 8));
}

void headFailure(TextFile& file, DatabaseHead& head, DatabaseHead::Failure failure) {
    head.failure = failure;
    head.failureLine = file.lineNumber();
    rememberLastLine(file, head);
}

void readHead(TextFile& file, ParsedDatabase& db) {
    DatabaseHead& head = db.head;
    std::string_view line;
    do {
        if (!file.next(line)) return headFailure(file, head, DatabaseHead::Failure::noTablesMark);
    } while (columns(line, 1, 8) != TABLES_MARK);
    for (int k = 0; k < ACTIVITY_TABLES; ++k) {
        for (int label = 0; label < LABEL_LINES; ++label)
            if (!file.next(line)) return headFailure(file, head, DatabaseHead::Failure::labelLine);
        TableText& table = head.activity[static_cast<std::size_t>(k)];
        table = checkTable(file, true, db.headGroups);
        if (table.status != TableRead::ok) {
            head.failedTable = table;
            return headFailure(file, head, DatabaseHead::Failure::activityTable);
        }
    }
    // The search for "H+" tells "no line read yet" from the lines it read.
    const int before = file.lineNumber();
    do {
        if (!file.next(line)) {
            headFailure(file, head, DatabaseHead::Failure::noFirstComponent);
            if (file.lineNumber() == before) {
                head.lastLineMark.clear();
                head.anyLineRead = false;
            }
            return;
        }
    } while (FixedText<8>(columns(line, 1, 8)).view() != FIRST_COMPONENT);
    file.stepBack();
    head.firstComponent = here(file);
}

void readComponentLines(TextFile& file, ParsedDatabase& db) {
    std::string_view line;
    for (int number = 1; number <= COMPONENT_SECTION_LINES; ++number) {
        ComponentLine c;
        c.line = here(file);
        if (!file.next(line)) break;
        c.nextOffset = static_cast<std::uint32_t>(file.position());
        c.blankMark = isBlankText(columns(line, 1, 8));
        c.name.assign(columns(line, 1, 20));
        c.readable = readRealField(line, 21, 2, 0, c.charge) && readRealField(line, 29, 3, 2, c.size) &&
                     readRealField(line, 40, 8, 4, c.formulaWeight) && readRealField(line, 48, 8, 4, c.alkFactor);
        db.components.push_back(c);
    }
}

// Where the aqueous section begins for a run none of whose components has a
// line with blank columns 1-8.
std::optional<LineAt> usualAqueousStart(const ParsedDatabase& db) {
    for (const ComponentLine& c : db.components)
        if (c.blankMark) return LineAt{c.nextOffset, c.line.number + 1};
    if (static_cast<int>(db.components.size()) == COMPONENT_SECTION_LINES) {
        const ComponentLine& last = db.components.back();
        return LineAt{last.nextOffset, last.line.number + 1};
    }
    return std::nullopt;
}

// ITOT in columns 1-2, then ITOT pairs of 12 columns from column 4: the
// coefficient (F10.3) and the database number of the component (I2).
void readReaction(std::string_view line, AqueousRecord& r) {
    if (!readIntegerField(line, 1, 2, r.itot)) {
        r.fault = AqueousRecord::Fault::reaction;
        return;
    }
    if (r.itot > MAX_TERMS) {
        r.fault = AqueousRecord::Fault::tooManyTerms;
        return;
    }
    for (int j = 1; j <= r.itot; ++j) {
        const int first = 4 + 12 * (j - 1);
        long long number = 0;
        const auto k = static_cast<std::size_t>(j - 1);
        if (!readRealField(line, first, 10, 3, r.coef[k]) || !readIntegerField(line, first + 10, 2, number)) {
            r.fault = AqueousRecord::Fault::term;
            return;
        }
        r.number[k] = static_cast<int>(number);
        r.numbers.add(number);
    }
}

// One record; false when the file ends before its name line.
bool readAqueousRecord(TextFile& file, AqueousRecord& r, GroupStarts& groups) {
    std::string_view line;
    if (!file.next(line) || !file.next(line)) return false;
    r.name.assign(columns(line, 1, 20));
    r.suppression.assign(columns(line, 81, 4));
    r.rangeCode.assign(columns(line, 91, 4));
    if (r.isEnd()) return true;
    r.dataRange = dataRangeIn(columns(line, 21, 60));
    if (!file.next(line) || !readRealField(line, 9, 3, 0, r.charge) || !readRealField(line, 27, 5, 2, r.size) ||
        !readRealField(line, 42, 6, 3, r.alkFactor)) {
        r.fault = AqueousRecord::Fault::properties;
        return true;
    }
    if (!file.next(line)) {
        r.fault = AqueousRecord::Fault::reaction;
        return true;
    }
    readReaction(line, r);
    if (r.fault != AqueousRecord::Fault::none) return true;
    r.table = checkTable(file, isFullTable(r.rangeCode.view()), groups);
    if (r.table.status != TableRead::ok) r.fault = AqueousRecord::Fault::table;
    return true;
}

// The pairs of a mineral reaction: 12 columns each from column 4, the
// coefficient (F9.3) and the database number (I3). Read only when their
// count fits the table.
void readMineralTerms(std::string_view line, MineralText& m) {
    if (m.terms > MAX_TERMS) return;
    for (int j = 1; j <= m.terms; ++j) {
        const int first = 4 + 12 * (j - 1);
        long long number = 0;
        const auto k = static_cast<std::size_t>(j - 1);
        if (!readRealField(line, first, 9, 3, m.coef[k]) || !readIntegerField(line, first + 9, 3, number)) {
            m.fault = MineralText::Fault::term;
            m.faultTerm = j;
            return;
        }
        // Out-of-range numbers are simply not components of the run.
        m.number[k] = number < 0 || number > MAX_COMPONENTS ? 0 : static_cast<int>(number);
        m.numbers.add(number);
    }
}

// Lines 1 to 4 (and 5 for type 6) of a mineral entry.
void readMineralHead(TextFile& file, MineralText& m) {
    std::string_view line;
    if (!file.next(line)) {
        m.fault = MineralText::Fault::noFirstLine;
        m.faultLine = file.lineNumber();
        return;
    }
    if (!file.next(line)) {
        m.fault = MineralText::Fault::noNameLine;
        return;
    }
    m.name.assign(columns(line, 1, 20));
    long long type = 0;
    double unused = 0.0;
    if (!readIntegerField(line, 67, 2, type) || !readRealField(line, 69, 8, 3, unused)) {
        m.fault = MineralText::Fault::nameLine;
        return;
    }
    m.suppression.assign(columns(line, 81, 4));
    m.rangeCode.assign(columns(line, 91, 4));
    if (!file.next(line)) {
        m.fault = MineralText::Fault::reaction;
        return;
    }
    m.dataRange = dataRangeIn(line);
    if (!file.next(line) || !readIntegerField(line, 1, 3, m.terms)) {
        m.fault = MineralText::Fault::reaction;
        return;
    }
    readMineralTerms(line, m);
    if (m.fault != MineralText::Fault::none) return;
    if (type == TYPE_WITH_EXTRA_LINE && !file.next(line)) m.fault = MineralText::Fault::extraLine;
}

void readMineralData(const ParsedDatabase& db, TextFile& file, MineralText& m, GroupStarts& groups) {
    const LineAt data = here(file);
    const bool full = isFullTable(m.rangeCode.view());
    m.table = checkTable(file, full, groups);
    if (m.table.status == TableRead::ok) m.readEnd = here(file);
    // The same data passed over by counting lines: where the groups end when
    // they took just that many lines (as a program writes them).
    const int lines = full ? FULL_TABLE_LINES : SHORT_TABLE_LINES;
    if (m.table.status == TableRead::ok && m.readEnd.number == data.number + lines) {
        m.skipEnd = m.readEnd;
        return;
    }
    TextFile skipper = cursorAt(db, data);
    std::string_view line;
    for (int k = 0; k < lines; ++k) {
        if (!skipper.next(line)) {
            m.skipEndLine = skipper.lineNumber();
            return;
        }
    }
    m.skipEnd = here(skipper);
}

MineralSection parseMineralSection(const ParsedDatabase& db, LineAt start) {
    MineralSection section;
    TextFile file = cursorAt(db, start);
    std::string_view line;
    for (int k = 0; k < MINERAL_HEAD_LINES; ++k) {
        if (!file.next(line)) {
            section.headEndLine = file.lineNumber();
            return section;
        }
    }
    section.headComplete = true;
    LineAt at = here(file);
    for (;;) {
        MineralText m = parseMineralEntry(db, at, section.groups);
        section.entries.push_back(m);
        if (m.fault != MineralText::Fault::none || m.isEnd() || !m.skipEnd) break;
        at = *m.skipEnd;
    }
    return section;
}

}  // namespace

MineralText parseMineralEntry(const ParsedDatabase& db, LineAt start, GroupStarts& groups) {
    MineralText m;
    m.start = start;
    TextFile file = cursorAt(db, start);
    readMineralHead(file, m);
    if (m.fault == MineralText::Fault::none && !m.isEnd()) readMineralData(db, file, m, groups);
    return m;
}

AqueousSection parseAqueousSection(const ParsedDatabase& db, LineAt start) {
    AqueousSection section;
    section.start = start;
    TextFile file = cursorAt(db, start);
    for (;;) {
        AqueousRecord r;
        if (!readAqueousRecord(file, r, section.groups)) {
            section.endOfFileLine = file.lineNumber();
            return section;
        }
        section.records.push_back(r);
        if (r.fault != AqueousRecord::Fault::none) return section;
        if (r.isEnd()) break;
    }
    section.complete = true;
    section.end = here(file);
    section.minerals = parseMineralSection(db, section.end);
    return section;
}

namespace {

// Where the search for the heading starts: the blank entry that ends the
// minerals and gases. Nothing before it can be the section.
const MineralText* endOfMinerals(const ParsedDatabase& db) {
    if (!db.aqueous || !db.aqueous->complete) return nullptr;
    const auto& entries = db.aqueous->minerals.entries;
    if (entries.empty() || !entries.back().isEnd()) return nullptr;
    return &entries.back();
}

// The redox couples after the minerals and gases, when the minerals end.
CoupleSection readCoupleSection(const ParsedDatabase& db) {
    const MineralText* end = endOfMinerals(db);
    if (!end) return {};
    TextFile file(db.name, db.image);
    file.seek(end->start.offset, end->start.number - 1);
    return parseCoupleSection(file);
}

}  // namespace

std::shared_ptr<const ParsedDatabase> parseDatabase(std::string name, std::shared_ptr<const TextImage> image) {
    auto db = std::make_shared<ParsedDatabase>();
    db->name = std::move(name);
    db->image = std::move(image);
    TextFile file(db->name, db->image);
    readHead(file, *db);
    if (db->head.failure == DatabaseHead::Failure::none) {
        readComponentLines(file, *db);
        if (std::optional<LineAt> start = usualAqueousStart(*db)) db->aqueous = parseAqueousSection(*db, *start);
    }
    db->couples = readCoupleSection(*db);
    return db;
}

}  // namespace wq
