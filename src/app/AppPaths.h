#pragma once

#include <QString>

namespace kalvuno {

// The files and folders the program keeps in its profile folder.
struct AppPaths
{
    QString profile; // ends with "/"
    QString configuration;
    QString favorites; // ends with "/"
    QString playlists; // ends with "/"
    QString currentList;

    static AppPaths inFolder(const QString &profileFolder);
};

inline AppPaths AppPaths::inFolder(const QString &profileFolder)
{
    AppPaths p;
    p.profile = profileFolder;
    p.configuration = profileFolder + QStringLiteral("Kalvuno.ini");
    p.favorites = profileFolder + QStringLiteral("favorites/");
    p.playlists = profileFolder + QStringLiteral("playlists/");
    p.currentList = profileFolder + QStringLiteral("Current.ini");
    return p;
}

} // namespace kalvuno
