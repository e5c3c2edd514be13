#pragma once

#include <QString>
#include <QStringList>

namespace kalvuno {

class HttpTransport;

enum class SearchOutcome { Done, Failed, NotWritten };

// Sends the search command and stores the answer in the file, replacing it
// or, with append, adding to its end (the file keeps one encoding: CP932
// while everything fits, else UTF-8 with a BOM).
//
// Only a complete, successful answer is stored: a 2xx status reached through
// at most a few redirects, with the whole body (an answer cut at the 64 KiB
// cap counts as whole). Anything else is Failed and leaves the file as it was.
//
// The file never gets a key twice: an entry the answer repeats is stored
// once, at its first place, and an added answer brings only entries the file
// does not hold yet. Keys compare as the INI engine compares section names.
SearchOutcome SearchSongs(const HttpTransport &transport, const QString &query, const QString &file, bool append);

// What SearchSongs does with the lines of a complete answer: stores them in
// the file as told above (Done or NotWritten).
SearchOutcome storeSearchAnswer(const QStringList &lines, const QString &file, bool append);

inline constexpr char16_t kSearchFailedMessage[]
    = u"検索に失敗しました。\r\r・正しくインターネットに接続されていることを確認してください。\r・サーバに何らかの障害が発生している可能性があります。\rしばらく待ってから再度検索を実行してください。";

} // namespace kalvuno
