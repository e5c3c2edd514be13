#include "EarlyStart.h"

#include "AppPaths.h"
#include "CommandLine.h"
#include "Configuration.h"
#include "CurrentPlaylist.h"
#include "IniFile.h"
#include "MediaLocation.h"
#include "SingleInstance.h"
#include "TPlayGst.h"

#include <QFileInfo>
#include <utility>

namespace kalvuno {

QString playLocation(const QString &mp3, const QString &copy, const QString &downloadFolder)
{
    if (copy.isEmpty() || downloadFolder.isEmpty())
        return mp3;
    QString path = downloadFolder + copy;
    path.replace(u'\\', u'/');
    return QFileInfo::exists(path) ? path : mp3;
}

QString predictedFirstSong(const QStringList &arguments, const AppPaths &paths, const QString &instanceFolder)
{
    const CommandLine line = parseCommandLine(arguments);
    if (line.runBeside || line.files.isEmpty())
        return {};
    // The toolkit takes its own switches ("-platform", "-style") out of the
    // arguments the window sees: with one here, the two could differ.
    for (const QString &argument : arguments)
        if (argument.startsWith(u'-') && !isSwitch(argument))
            return {};
    const PendingListAction action = pendingActionForFile(line.files.first());
    if (action.code != PendingListAction::OpenPlaylist)
        return {};
    // A running instance is closed first, and may still be playing.
    if (SingleInstance::mayBeRunning(instanceFolder))
        return {};
    Configuration config(paths.configuration);
    if (config.read(keys::Setup) == 0)
        return {};
    // A list left behind by a run that did not end normally is played first.
    if (!IniFile(paths.currentList).sectionNames().isEmpty())
        return {};
    const IniFile list(action.path);
    const QStringList keys = list.sectionNames();
    if (keys.isEmpty())
        return {};
    const QString location = playLocation(list.readString(keys.first(), u"MP3"),
                                          config.file().readString(keys::kDownloadedCopies, keys.first()), config.read(keys::Download));
    // Video waits for the window it is shown in.
    const QString extension = TPlayGst::extensionOf(location);
    if (MediaLocation::of(location).kind != MediaLocation::Kind::LocalFile || extension == u".AVI" || extension == u".MPG")
        return {};
    return location;
}

void ChangeRelay::ring()
{
    std::lock_guard<std::mutex> lock(m_lock);
    if (m_to)
        m_to();
}

void ChangeRelay::attach(std::function<void()> to)
{
    std::lock_guard<std::mutex> lock(m_lock);
    m_to = std::move(to);
}

EarlyStart::EarlyStart(QString location, std::shared_ptr<TPlay> player, std::shared_ptr<ChangeRelay> relay)
    : m_location(std::move(location)), m_player(std::move(player)), m_relay(std::move(relay))
{
}

EarlyStart::~EarlyStart() { drop(); }

EarlyStart &EarlyStart::operator=(EarlyStart &&other)
{
    if (this != &other) {
        drop();
        m_location = std::move(other.m_location);
        m_player = std::move(other.m_player);
        m_relay = std::move(other.m_relay);
    }
    return *this;
}

EarlyStart EarlyStart::forArguments(const QStringList &arguments, const AppPaths &paths, const QString &instanceFolder)
{
    const QString location = predictedFirstSong(arguments, paths, instanceFolder);
    if (location.isEmpty())
        return {};
    auto relay = std::make_shared<ChangeRelay>();
    auto player = TPlay::createWatched<TPlayGst>([relay] { relay->ring(); }, location);
    return EarlyStart(location, std::move(player), std::move(relay));
}

std::shared_ptr<TPlay> EarlyStart::takeFor(const QString &location, std::function<void()> changed)
{
    if (!m_player || location != m_location) {
        drop();
        return nullptr;
    }
    m_relay->attach(std::move(changed));
    m_relay.reset();
    return std::exchange(m_player, nullptr);
}

void EarlyStart::drop()
{
    if (m_player)
        m_player->terminate();
    m_player.reset();
    m_relay.reset();
}

} // namespace kalvuno
