#include "report/column_selection.hpp"

namespace wq {

// Greedy matching with one point of return: at a "*" remember where the
// pattern and the name stand; on a mismatch let the last "*" take one more
// character. Linear in the lengths times the number of stars, with no
// recursion, whatever the pattern.
bool matchesPattern(std::string_view pattern, std::string_view name) {
    std::size_t p = 0, n = 0;
    std::size_t star = std::string_view::npos, resume = 0;
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == '*') {
            star = p++;
            resume = n;
        } else if (p < pattern.size() && pattern[p] == name[n]) {
            ++p;
            ++n;
        } else if (star != std::string_view::npos) {
            p = star + 1;
            n = ++resume;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*') ++p;
    return p == pattern.size();
}

std::vector<std::string> splitColumnList(std::string_view list) {
    std::vector<std::string> pieces;
    std::string piece;
    int depth = 0;
    const auto flush = [&] {
        const std::size_t first = piece.find_first_not_of(" \t");
        if (first != std::string::npos) pieces.push_back(piece.substr(first, piece.find_last_not_of(" \t") - first + 1));
        piece.clear();
    };
    for (char c : list) {
        if (c == ',' && depth == 0) {
            flush();
            continue;
        }
        if (c == '(') ++depth;
        if (c == ')' && depth > 0) --depth;
        piece += c;
    }
    flush();
    return pieces;
}

std::vector<std::size_t> selectColumns(const std::vector<std::string>& columns,
                                       const std::vector<std::string>& patterns,
                                       std::vector<std::string>& unmatched) {
    std::vector<std::size_t> chosen;
    std::vector<bool> taken(columns.size(), false);
    for (const std::string& pattern : patterns) {
        bool any = false;
        for (std::size_t i = 0; i < columns.size(); ++i) {
            if (!matchesPattern(pattern, columns[i])) continue;
            any = true;
            if (taken[i]) continue;
            taken[i] = true;
            chosen.push_back(i);
        }
        if (!any) unmatched.push_back(pattern);
    }
    return chosen;
}

}  // namespace wq
