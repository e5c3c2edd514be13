#include "QueryText.h"

#include "Cp932.h"
#include "HexDigit.h"

#include <charconv>

namespace kalvuno::server {

namespace {

bool parseInt(const std::string &text, int &value)
{
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    return ec == std::errc() && end == text.data() + text.size() && !text.empty();
}

} // namespace

std::string percentDecode(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size() && hexDigitValue(text[i + 1]) >= 0 && hexDigitValue(text[i + 2]) >= 0) {
            out += char(hexDigitValue(text[i + 1]) * 16 + hexDigitValue(text[i + 2]));
            i += 2;
        } else {
            out += text[i];
        }
    }
    return out;
}

std::string_view queryOf(std::string_view target)
{
    const size_t q = target.find('?');
    return q == std::string_view::npos ? std::string_view() : target.substr(q + 1);
}

std::vector<std::pair<std::string, std::string>> splitQuery(std::string_view query)
{
    std::vector<std::pair<std::string, std::string>> pairs;
    size_t pos = 0;
    while (pos <= query.size()) {
        size_t end = query.find('&', pos);
        if (end == std::string_view::npos)
            end = query.size();
        const std::string_view part = query.substr(pos, end - pos);
        if (!part.empty()) {
            const size_t eq = part.find('=');
            if (eq == std::string_view::npos)
                pairs.emplace_back(percentDecode(part), std::string());
            else
                pairs.emplace_back(percentDecode(part.substr(0, eq)), percentDecode(part.substr(eq + 1)));
        }
        pos = end + 1;
    }
    return pairs;
}

bool parseSearchRequest(std::string_view query, SearchRequest &r, std::string &error)
{
    r = SearchRequest();
    for (const auto &[key, raw] : splitQuery(query)) {
        if (key == "Max") {
            if (!parseInt(raw, r.max) || r.max < 0) {
                error = "Max must be a number from 0 to 100";
                return false;
            }
            r.max = std::min(r.max, 100);
        } else if (key == "Sort") {
            if (raw == "Random") {
                r.order = SearchRequest::Order::Random;
            } else if (raw == "New") {
                r.order = SearchRequest::Order::New;
            } else if (raw.rfind("Rank", 0) == 0 && parseInt(raw.substr(4), r.weeksAgo) && r.weeksAgo >= 0
                       && r.weeksAgo < kRankWeeks) {
                r.order = SearchRequest::Order::Rank;
            } else {
                error = "Sort must be Random, New or Rank0 to Rank7";
                return false;
            }
        } else if (key == "Open") {
            int open = 0;
            if (!parseInt(raw, open) || open < 1 || open > 3) {
                error = "Open must be 1, 2 or 3";
                return false;
            }
            r.library = open & 1;
            r.web = open & 2;
        } else if (key == "Ext") {
            if (!kindFromName(raw, r.kind)) {
                error = "Ext must be wav, mpg or mid";
                return false;
            }
        } else if (key == "Artist") {
            r.artist = foldAscii(fromClientBytes(raw));
        } else if (key == "Title") {
            r.title = foldAscii(fromClientBytes(raw));
        } else if (key == "Genre") {
            r.genre = foldAscii(fromClientBytes(raw));
        }
    }
    return true;
}

} // namespace kalvuno::server
