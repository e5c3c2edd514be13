#include "SavedLists.h"

#include "IniFile.h"
#include "TextCodec.h"

#include <QCollator>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QSaveFile>
#include <QTemporaryFile>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <sys/stat.h>

namespace kalvuno {

QStringList listSavedNames(const QString &folder, const QString &suffix)
{
    const QStringList entries =
        QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::NoSort);
    QStringList names;
    for (const QString &entry : entries) {
        if (entry.endsWith(suffix, Qt::CaseSensitive))
            names.append(entry.chopped(suffix.size()));
    }
    QCollator collator{QLocale(QLocale::Japanese, QLocale::Japan)};
    std::stable_sort(names.begin(), names.end(),
                     [&](const QString &a, const QString &b) { return collator.compare(a, b) < 0; });
    return names;
}

QString fitToCp932Bytes(const QString &name, int maxBytes)
{
    int bytes = 0;
    QString fitted;
    for (qsizetype i = 0; i < name.size();) {
        const qsizetype len = name.at(i).isHighSurrogate() && i + 1 < name.size() ? 2 : 1;
        const QStringView ch = QStringView(name).mid(i, len);
        const std::optional<QByteArray> encoded = encodeCp932(ch);
        const int size = encoded ? int(encoded->size()) : 2;
        if (bytes + size > maxBytes)
            break;
        bytes += size;
        fitted += ch;
        i += len;
    }
    return fitted;
}

bool copyFileOver(const QString &source, const QString &target)
{
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly))
        return false;
    const QByteArray bytes = in.readAll();
    if (in.error() != QFileDevice::NoError)
        return false;
    QSaveFile out(target);
    return out.open(QIODevice::WriteOnly) && out.write(bytes) == bytes.size() && out.commit();
}

SaveListResult saveListCopy(const QString &currentList, const QString &path, int *folderError)
{
    const QFileInfo info(path);
    const QString folder = info.absolutePath();
    if (!QFileInfo::exists(folder) && ::mkdir(QFile::encodeName(folder).constData(), 0777) != 0) {
        if (folderError)
            *folderError = errno;
        return SaveListResult::FolderFailed;
    }

    QFile in(currentList);
    if (!in.open(QIODevice::ReadOnly))
        return SaveListResult::WriteFailed;
    const QByteArray bytes = in.readAll();

    QTemporaryFile temporary(folder + QStringLiteral("/.saving-XXXXXX"));
    if (!temporary.open() || temporary.write(bytes) != bytes.size() || !temporary.flush())
        return SaveListResult::WriteFailed;
    temporary.close();
    bool written = true;
    {
        IniFile copy(temporary.fileName());
        if (!copy.reload())
            return SaveListResult::WriteFailed;
        IniBatch batch(copy);
        for (const QString &section : copy.sectionNames())
            copy.writeString(section, u"MP3Count", u"--");
        written = batch.commit();
    }
    if (!written)
        return SaveListResult::WriteFailed;
    // rename(2) replaces the target in one step; QFile::rename would not replace it.
    if (std::rename(QFile::encodeName(temporary.fileName()).constData(), QFile::encodeName(path).constData()) != 0)
        return SaveListResult::WriteFailed;
    temporary.setAutoRemove(false);
    return SaveListResult::Saved;
}

} // namespace kalvuno
