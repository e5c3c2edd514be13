#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace kalvuno::server {

// Character unigrams and bigrams of one text field, each with the songs whose
// text holds it. A substring of one character is looked up by its unigram, a
// longer one by its rarest bigram: short queries, common in Japanese, are
// served as well as long ones. Candidates keep the order songs were added in.
class GramIndex
{
public:
    void clear() { m_postings.clear(); }
    // text: the folded field, UTF-8. Postings keep the order songs were added in.
    void add(uint32_t song, std::string_view text);
    // Adds several songs at once, each posting kept in the order of before:
    // a new song goes before the first song it is before.
    void insert(const std::vector<std::pair<uint32_t, std::string_view>> &songs,
                const std::function<bool(uint32_t, uint32_t)> &before);
    // The songs that may hold the query (all that do, and perhaps more); none
    // when the query is empty or not valid UTF-8 and so cannot be looked up.
    std::optional<std::span<const uint32_t>> candidates(std::string_view query) const;

private:
    static std::vector<uint64_t> gramsOf(std::string_view text);

    std::unordered_map<uint64_t, std::vector<uint32_t>> m_postings;
};

// The characters of a UTF-8 text. A byte that starts no valid sequence comes
// as a code of its own above the Unicode range, so a valid substring of the
// text always decodes to a run of the text's characters. False when invalid
// bytes were met.
bool decodeUtf8(std::string_view text, std::vector<uint32_t> &out);

} // namespace kalvuno::server
