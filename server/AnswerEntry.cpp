#include "AnswerEntry.h"

#include "Cp932.h"

#include <cstdio>

namespace kalvuno::server {

std::string answerHead(const Song &s)
{
    return "Title=" + toCp932(s.title) + "\r\nArtist=" + toCp932(s.artist) + "\r\nGenre=" + toCp932(s.genre) + "\r\n";
}

std::string answerEntry(const Song &s, const std::string &headCp932, const std::string &homeCp932,
                        const uint8_t (&ranks)[kAnsweredRanks], const std::string &hostPort)
{
    const std::string where = toCp932(s.media.rfind('/', 0) == 0 ? "http://" + hostPort + s.media : s.media);
    std::string entry = "[" + (s.web ? where : s.id) + "]\r\n" + headCp932 + "MP3=" + where + "\r\nHome=" + homeCp932
        + "\r\nMP3Count=" + std::to_string(s.plays) + "\r\nRank=";
    for (uint8_t rank : ranks) {
        char hex[3];
        std::snprintf(hex, sizeof hex, "%02X", unsigned(rank));
        entry += hex;
    }
    return entry + "\r\n";
}

bool appendAnswerEntry(std::string &answer, const std::string &entry)
{
    if (entry.size() >= kAnswerLimit)
        return true;
    if (answer.size() + entry.size() >= kAnswerLimit)
        return false;
    answer += entry;
    return true;
}

} // namespace kalvuno::server
