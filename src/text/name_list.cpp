#include "text/name_list.hpp"

#include <algorithm>

#include "text/fields.hpp"

namespace wq {

namespace {

std::vector<std::string> piecesBetweenCommas(std::string_view list) {
    std::vector<std::string> pieces;
    std::size_t start = 0;
    for (std::size_t comma; (comma = list.find(',', start)) != std::string_view::npos; start = comma + 1)
        pieces.emplace_back(withoutBlanksAround(list.substr(start, comma - start)));
    pieces.emplace_back(withoutBlanksAround(list.substr(start)));
    return pieces;
}

}  // namespace

std::optional<std::vector<std::string>> knownNames(std::string_view list, const std::set<std::string>& known,
                                                   std::string& unknown) {
    const std::vector<std::string> pieces = piecesBetweenCommas(list);
    std::vector<std::string> chosen;
    for (std::size_t i = 0; i < pieces.size();) {
        std::size_t end = pieces.size();
        std::string joined;
        for (; end > i; --end) {
            joined = pieces[i];
            for (std::size_t k = i + 1; k < end; ++k) joined += "," + pieces[k];
            if (known.count(joined)) break;
        }
        if (end == i) {
            unknown = pieces[i];
            return std::nullopt;
        }
        if (std::find(chosen.begin(), chosen.end(), joined) == chosen.end()) chosen.push_back(joined);
        i = end;
    }
    return chosen;
}

}  // namespace wq
