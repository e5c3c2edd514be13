#pragma once

#include <QString>
#include <QUrl>

namespace kalvuno {

// The extension of a link: from the last ".", "\" or ":" to the end when that
// character is a ".", lower-cased; empty otherwise. "song.MP3?x=1" gives ".mp3?x=1".
QString linkExtension(QStringView url);
// A link to a medium the program plays itself instead of letting the browser
// open it: its extension holds ".mp3", ".wav", ".mpg" or ".mid".
bool isMediaLink(QStringView url);
// The title of a media link's entry: what follows its last "/" (all of it
// when there is none; empty when it ends in "/").
QString mediaLinkTitle(const QString &url);

// The program sends the browser only to web pages and its own local pages:
// an address the user typed or an entry's home page becomes an http or https
// URL ("www.example.jp/" included); anything else (javascript:, data:, file:,
// garbage) gives an invalid URL.
QUrl webAddress(const QString &text);
// Two locations are the same page when their normalised forms are equal: the
// view reports "http://h/" for "http://h".
bool isSameLocation(const QUrl &a, const QUrl &b);
// What the address box shows for the view's location: nothing for local pages.
QString addressBoxText(const QUrl &location);

// How a navigation came about, as far as the program cares.
enum class NavigationKind
{
    LinkClicked,
    Typed,
    FormSubmitted,
    BackForward,
    Reload,
    Redirect,
    Other
};

// Follows the navigations of one view and tells which media navigations add
// an entry: only those of the main frame that a user starts (a redirect
// counts as what it redirects). Frames and scripts could otherwise fill the
// playlist without the user asking for anything.
class NavigationOrigin
{
public:
    // Call for every navigation the view asks about; true when a media link
    // reached this way is to become an entry.
    bool userStarted(NavigationKind kind, bool mainFrame);

private:
    bool m_lastMainFrameByUser = false;
};

} // namespace kalvuno

namespace kalvuno {

// The not-found fallback: a navigation the program started that ends
// without a completed page is replaced by the local not-found page. The end
// of the load that was stopped to make way for it (the page it left) does
// not count.
class NotFoundWatch
{
public:
    void arm(const QUrl &target, const QUrl &leaving);
    // A load of `url` ended. True when the not-found page is to be shown now;
    // never for the not-found page itself, so a missing one cannot loop.
    bool loadEnded(const QUrl &url, bool ok, const QUrl &notFoundPage);
    bool isArmed() const { return m_armed; }

private:
    bool m_armed = false;
    QUrl m_target;
    QUrl m_leaving;
};

} // namespace kalvuno
