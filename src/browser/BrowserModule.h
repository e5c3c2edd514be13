#pragma once

#include "BrowserPane.h"

#include <QStringList>

// Finds and loads the browser module, at most once. The program loads it
// before the application object exists, when it is going to show web pages
// (the web engine sets itself up as its library loads); the window takes it
// from there.
class BrowserModule
{
public:
    // Looks in folders, in order.
    explicit BrowserModule(QStringList folders);

    // The module of this program: beside the executable (a build tree), then
    // in the program's private library folder (installed).
    static BrowserModule &shared();
    static QStringList defaultFolders();

    // The module's entry, or null when it cannot be had; the first call
    // decides, later ones repeat its answer. A loaded module stays loaded.
    const BrowserModuleEntry *load();
    // Why load() failed, for the log.
    QString error() const { return m_error; }
    // The file loaded, once load() succeeded.
    QString path() const { return m_path; }

    static QString fileName();

private:
    const BrowserModuleEntry *find();

    QStringList m_folders;
    bool m_tried = false;
    const BrowserModuleEntry *m_entry = nullptr;
    QString m_error;
    QString m_path;
};
