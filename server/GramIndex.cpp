#include "GramIndex.h"

#include <algorithm>
#include <iterator>

namespace kalvuno::server {

namespace {

constexpr uint32_t kInvalidByte = 0x110000; // + the byte

uint64_t unigram(uint32_t c) { return c; }
uint64_t bigram(uint32_t a, uint32_t b) { return (uint64_t(1) << 63) | (uint64_t(a) << 32) | b; }

} // namespace

bool decodeUtf8(std::string_view text, std::vector<uint32_t> &out)
{
    out.clear();
    bool valid = true;
    size_t i = 0;
    while (i < text.size()) {
        const auto lead = uint8_t(text[i]);
        const int extra = lead < 0x80 ? 0
            : (lead & 0xE0) == 0xC0   ? 1
            : (lead & 0xF0) == 0xE0   ? 2
            : (lead & 0xF8) == 0xF0   ? 3
                                      : -1;
        uint32_t c = extra == 0 ? lead : extra == 1 ? lead & 0x1F : extra == 2 ? lead & 0x0F : lead & 0x07;
        bool ok = extra >= 0 && i + size_t(extra) < text.size();
        for (int k = 1; ok && k <= extra; ++k) {
            const auto next = uint8_t(text[i + size_t(k)]);
            ok = (next & 0xC0) == 0x80;
            c = (c << 6) | (next & 0x3F);
        }
        if (ok) {
            out.push_back(c);
            i += size_t(extra) + 1;
        } else {
            // Only this byte is given up: the next one may start a sequence.
            out.push_back(kInvalidByte + lead);
            valid = false;
            ++i;
        }
    }
    return valid;
}

std::vector<uint64_t> GramIndex::gramsOf(std::string_view text)
{
    std::vector<uint32_t> chars;
    decodeUtf8(text, chars);
    std::vector<uint64_t> grams;
    grams.reserve(chars.size() * 2);
    for (size_t i = 0; i < chars.size(); ++i) {
        grams.push_back(unigram(chars[i]));
        if (i + 1 < chars.size())
            grams.push_back(bigram(chars[i], chars[i + 1]));
    }
    std::sort(grams.begin(), grams.end());
    grams.erase(std::unique(grams.begin(), grams.end()), grams.end());
    return grams;
}

void GramIndex::add(uint32_t song, std::string_view text)
{
    for (uint64_t g : gramsOf(text))
        m_postings[g].push_back(song);
}

void GramIndex::insert(const std::vector<std::pair<uint32_t, std::string_view>> &songs,
                       const std::function<bool(uint32_t, uint32_t)> &before)
{
    std::unordered_map<uint64_t, std::vector<uint32_t>> incoming;
    for (const auto &[song, text] : songs)
        for (uint64_t g : gramsOf(text))
            incoming[g].push_back(song);
    // One merge a posting: linear in its length, however many songs come.
    std::vector<uint32_t> merged;
    for (auto &[gram, added] : incoming) {
        std::stable_sort(added.begin(), added.end(), before);
        std::vector<uint32_t> &posting = m_postings[gram];
        merged.clear();
        merged.reserve(posting.size() + added.size());
        std::merge(posting.begin(), posting.end(), added.begin(), added.end(), std::back_inserter(merged), before);
        posting.swap(merged);
    }
}

std::optional<std::span<const uint32_t>> GramIndex::candidates(std::string_view query) const
{
    std::vector<uint32_t> chars;
    if (query.empty() || !decodeUtf8(query, chars))
        return std::nullopt;
    const auto postings = [this](uint64_t gram) -> std::span<const uint32_t> {
        const auto it = m_postings.find(gram);
        return it == m_postings.end() ? std::span<const uint32_t>() : std::span<const uint32_t>(it->second);
    };
    if (chars.size() == 1)
        return postings(unigram(chars[0]));
    std::span<const uint32_t> best = postings(bigram(chars[0], chars[1]));
    for (size_t i = 1; i + 1 < chars.size() && !best.empty(); ++i)
        if (const auto p = postings(bigram(chars[i], chars[i + 1])); p.size() < best.size())
            best = p;
    return best;
}

} // namespace kalvuno::server
