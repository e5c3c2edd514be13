// The page scan of "play all links of a page": any page bytes decode, and the
// links found keep the scan's rules whatever the page holds: never more than
// the cap, in the order of the page, each a resolved address free of what
// the rules leave out.
//
// Input: the first byte picks the Content-Type header, the rest is the page.
#include "FuzzSupport.h"
#include "PageScan.h"

using namespace kalvuno;

namespace {

const char *const kContentTypes[] = {"", "text/html", "text/html; charset=utf-8", "text/html; charset=Shift_JIS",
                                     "text/html; charset=iso-8859-1", "text/html; charset=nonsense"};
const QString kPage = QStringLiteral("http://h/dir/page.html");

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    const QByteArray contentType(kContentTypes[data[0] % std::size(kContentTypes)]);
    const QByteArray bytes(reinterpret_cast<const char *>(data + 1), qsizetype(size - 1));
    const QStringList lines = decodePageText(bytes, contentType).split(u'\n');

    const QStringList links = scanMediaLinks(lines, kPage);
    FUZZ_CHECK(links.size() <= kPageScanCap);
    FUZZ_CHECK(links.size() <= lines.size()); // one link a line at most
    for (const QString &link : links) {
        FUZZ_CHECK(link.count(u'/') >= 3);
        for (const char16_t *left : {u".cgi", u"<", u">", u"*", u"=", u"＊"})
            FUZZ_CHECK(!link.contains(QStringView(left)));
    }
    // A smaller cap keeps the first links, in the same order.
    const QStringList first = scanMediaLinks(lines, kPage, 2);
    FUZZ_CHECK(first == links.mid(0, 2));
    return 0;
}
