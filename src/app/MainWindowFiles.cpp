// The main window's part in local files and downloads: the open dialog, files
// dropped anywhere on the window, the dispatch of files by type, and the
// download of songs heard to the end with its progress in the status bar.
#include "MainWindow.h"

#include "EventWatch.h"
#include "MediaIntake.h"
#include "MessageBox.h"
#include "PlaylistPanel.h"
#include "SongDownloads.h"

#include <QApplication>
#include <QDropEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QMimeData>
#include <QStatusBar>
#include <QTimer>
#include <QUrl>

using namespace kalvuno;

namespace {

// OD_Open's choices: the captions the user reads, and the patterns they stand
// for. Qt would take the patterns from the caption's parentheses, which here
// list fewer types than the choice opens.
struct OpenChoice
{
    QString caption;
    QStringList extensions; // empty: every file
};

const QList<OpenChoice> &openChoices()
{
    static const QList<OpenChoice> choices{
        {QStringLiteral("全てのメディア(*.mp3,*.mpg,*.avi,*.mid)"), {"mp3", "mpg", "avi", "mid", "wav"}},
        {QStringLiteral("お気に入り(*.fvr)"), {"fvr"}},
        {QStringLiteral("プレイリスト(*.pl)"), {"pl"}},
        {QStringLiteral("全てのファイル(*.*)"), {}},
    };
    return choices;
}

// "*.[mM][pP]3": a pattern that matches the extension in any letter case.
QStringList namePatterns(const OpenChoice &choice)
{
    if (choice.extensions.isEmpty())
        return {QStringLiteral("*")};
    QStringList patterns;
    for (const QString &extension : choice.extensions) {
        QString pattern = QStringLiteral("*.");
        for (const QChar c : extension)
            pattern += c.isLetter() ? QStringLiteral("[%1%2]").arg(c.toLower(), c.toUpper()) : QString(c);
        patterns.append(pattern);
    }
    return patterns;
}

void useChoice(QFileDialog &dialog, const QString &caption)
{
    auto *model = dialog.findChild<QFileSystemModel *>();
    for (const OpenChoice &choice : openChoices()) {
        if (choice.caption == caption && model)
            model->setNameFilters(namePatterns(choice));
    }
}

// The local files among dropped data, in their order.
QStringList droppedFiles(const QMimeData *data)
{
    QStringList files;
    if (!data || !data->hasUrls())
        return files;
    for (const QUrl &url : data->urls()) {
        if (url.isLocalFile())
            files.append(url.toLocalFile());
    }
    return files;
}

} // namespace

void TFo_Kalvuno::createFileIntake()
{
    m_downloads = new SongDownloads(m_config->file(), QString::fromUtf16(keys::kDownloadedCopies),
                                    std::make_unique<NetworkFetcher>(), this);
    connect(m_downloads, &SongDownloads::progressText, this, &TFo_Kalvuno::showDownloadProgress);
    connect(m_downloads, &SongDownloads::idle, this, &TFo_Kalvuno::clearDownloadProgress);
    connect(m_downloads, &SongDownloads::recordFailed, this, [this](const QString &path) {
        if (!isClosing())
            messagebox::showWriteError(this, path);
    });
    // Files dropped anywhere on the window come here, also those dropped on a
    // part that would open a file by itself (the browser pane).
    m_fileWatch = new EventWatch(this, [this](QObject *o, QEvent *e) { return fileEvent(o, e); });
    qApp->installEventFilter(m_fileWatch);
}

bool TFo_Kalvuno::fileEvent(QObject *receiver, QEvent *event)
{
    switch (event->type()) {
    case QEvent::Close:
        // A transfer must not outlive the window; its half file goes with it.
        if (receiver == this)
            m_downloads->cancelAll();
        return false;
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop:
        break;
    default:
        return false;
    }
    const auto *widget = qobject_cast<QWidget *>(receiver);
    auto *drop = static_cast<QDropEvent *>(event);
    const QStringList files = droppedFiles(drop->mimeData());
    if (!widget || widget->window() != this || files.isEmpty() || isClosing())
        return false;
    drop->acceptProposedAction();
    // The files are taken once the drop has ended, not inside it: a message
    // box must not open in the middle of the system's drag and drop.
    if (event->type() == QEvent::Drop)
        QTimer::singleShot(0, this, [this, files] { FormDropFiles(files); });
    return true;
}

void TFo_Kalvuno::FormDropFiles(const QStringList &files)
{
    // A drop neither stops playback nor empties the list: the files go after
    // the selected line, and the next tick starts the list's first entry.
    if (!isClosing())
        openFiles(files);
}

void TFo_Kalvuno::openFiles(const QStringList &files)
{
    IniFile *list = m_playlist.file();
    if (!list)
        return;
    // One write of "Current.ini" for the whole run, with the list's order.
    IniBatch batch(*list);
    bool stop = false;
    for (const QString &file : files) {
        OpenFileByType(file, stop);
        if (stop || isClosing())
            break;
    }
    m_playlist.rewriteInListOrder();
    if (!batch.commit() && !isClosing())
        messagebox::showWriteError(this, m_playlist.path());
}

void TFo_Kalvuno::OpenFileByType(const QString &file, bool &stop)
{
    const PendingListAction action = pendingActionForFile(file);
    if (action.code != PendingListAction::None) {
        m_playback.pending = action;
        tickSoon();
        stop = true;
        return;
    }
    m_playback.pending = {PendingListAction::PlayFirst, {}};
    tickSoon();
    AddFileEntry(file, m_config->read(keys::Download));
}

void TFo_Kalvuno::AddFileEntry(const QString &path, const QString &musicFolder)
{
    if (!m_playlist.isOpen())
        return;
    const MediaEntry entry = mediaEntryFor(path, musicFolder);
    m_playlistPanel->insertEntry(entry.key, entry.values);
}

QStringList TFo_Kalvuno::OD_Open()
{
    QFileDialog dialog(this, QStringLiteral("開く"));
    dialog.setObjectName(QStringLiteral("OD_Open"));
    // Qt's own dialog: a close request can dismiss it like any other.
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setFileMode(QFileDialog::ExistingFiles);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setSizeGripEnabled(true);
    const QString music = m_config->read(keys::Download);
    if (!music.isEmpty() && QFileInfo(music).isDir())
        dialog.setDirectory(music);
    QStringList captions;
    for (const OpenChoice &choice : openChoices())
        captions.append(choice.caption);
    dialog.setNameFilters(captions);
    dialog.selectNameFilter(captions.first());
    useChoice(dialog, captions.first());
    connect(&dialog, &QFileDialog::filterSelected, &dialog, [&dialog](const QString &caption) {
        useChoice(dialog, caption);
    });
    if (dialog.exec() != QDialog::Accepted)
        return {};
    return dialog.selectedFiles();
}

void TFo_Kalvuno::MF_OpenClick()
{
    const QStringList files = OD_Open();
    if (isClosing() || files.isEmpty())
        return;
    m_playback.StopPlayback();
    // Emptying the list also forgets the saved playlist it came from, so that
    // saving cannot overwrite that playlist with these files.
    m_playlistPanel->clear();
    openFiles(files);
}

void TFo_Kalvuno::downloadFinishedEntry(const QString &key)
{
    if (isClosing())
        return;
    const int line = m_playlist.indexOf(key);
    if (line < 0)
        return;
    const FinishedEntry entry{key, m_playlist.value(line, u"MP3"), m_playlist.value(line, u"Artist"),
                              m_playlist.value(line, u"Title")};
    DownloadSettings settings;
    settings.enabled = m_config->read(keys::DownloadON);
    settings.libraryOnly = m_config->read(keys::DownloadKalvunoOnly);
    settings.mp3Folder = m_config->read(keys::Download);
    settings.wavFolder = m_config->read(keys::DownloadWAV);
    settings.mpegFolder = m_config->read(keys::DownloadMpeg);
    settings.midiFolder = m_config->read(keys::DownloadMIDI);
    m_downloads->DownloadFinishedEntry(entry, settings);
}

void TFo_Kalvuno::showDownloadProgress(const QString &text)
{
    // A hint is a message too; it stays while the pointer rests on its control.
    const QString shown = statusBar()->currentMessage();
    if (shown.isEmpty() || shown == m_downloadText)
        statusBar()->showMessage(text);
    m_downloadText = text;
}

void TFo_Kalvuno::clearDownloadProgress()
{
    if (!m_downloadText.isEmpty() && statusBar()->currentMessage() == m_downloadText)
        statusBar()->clearMessage();
    m_downloadText.clear();
}
