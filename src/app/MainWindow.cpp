#include "MainWindow.h"

#include "AboutDialog.h"
#include "AddressSubstitution.h"
#include "BrowserBar.h"
#include "ControlPanel.h"
#include "InformationPanel.h"
#include "ListSection.h"
#include "BusyIndicator.h"
#include "MessageBox.h"
#include "Mpris.h"
#include "PlaylistPanel.h"
#include "TPlayGst.h"
#include "ProfilePaths.h"
#include "Random.h"
#include "TrayIcon.h"
#include "WindowPlacement.h"

#include <QAction>
#include <QActionGroup>
#include <QCloseEvent>
#include <QFile>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QListWidget>
#include <QVBoxLayout>
#include <QLabel>
#include <QMenuBar>
#include <QScreen>
#include <QStandardPaths>
#include <QStatusBar>
#include <QThread>
#include <QTimer>
#include <QToolBar>

using namespace kalvuno;

TFo_Kalvuno::TFo_Kalvuno(const QString &profileFolder, const QStringList &arguments, QWidget *parent)
    : QMainWindow(parent), m_paths(AppPaths::inFolder(profileFolder)),
      m_config(std::make_unique<Configuration>(m_paths.configuration)), m_playlist(m_paths.currentList)
{
    setObjectName(QStringLiteral("Fo_Kalvuno"));
    setWindowTitle(QStringLiteral("Kalvuno"));
    setAccessibleName(QStringLiteral("Kalvuno"));
    setWindowIcon(QIcon(dataFolder() + QStringLiteral("icons/kalvuno.png")));
    resize(786, 583);
    createMenus();
    createStatusBar();
    createSearchBar();
    createBrowserBar();
    createRightColumn();
    FormCreate(arguments);
}

TFo_Kalvuno::~TFo_Kalvuno()
{
    m_tickBell->detach();
    // The application-wide watch must not see the events of the window's own
    // teardown: by then only its QMainWindow part is left.
    delete m_fileWatch;
    FormDestroy();
}

void TFo_Kalvuno::createMenus()
{
    menuBar()->setObjectName(QStringLiteral("MainMenu"));
    menuBar()->setAccessibleName(QStringLiteral("メニューバー"));
    MF_File = menuBar()->addMenu(QStringLiteral("ファイル(&F)"));
    MF_File->setObjectName(QStringLiteral("MF_File"));
    QAction *newSearch = MF_File->addAction(QStringLiteral("新規検索(&F)..."));
    newSearch->setObjectName(QStringLiteral("MF_NewSearch"));
    connect(newSearch, &QAction::triggered, this, &TFo_Kalvuno::MF_NewSearchClick);
    QAction *open = MF_File->addAction(QStringLiteral("開く(&O)..."));
    open->setObjectName(QStringLiteral("MF_Open"));
    open->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    connect(open, &QAction::triggered, this, &TFo_Kalvuno::MF_OpenClick);
    MF_NewFavorite = MF_File->addAction(QStringLiteral("お気に入りの新規作成(&N)..."));
    MF_NewFavorite->setObjectName(QStringLiteral("MF_NewFavorite"));
    connect(MF_NewFavorite, &QAction::triggered, this, &TFo_Kalvuno::MF_NewFavoriteClick);
    MF_File->addSeparator();
    MF_SavePlaylist = MF_File->addAction(QStringLiteral("プレイリストの保存(&S)"));
    MF_SavePlaylist->setObjectName(QStringLiteral("MF_SavePlaylist"));
    MF_SavePlaylist->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    MF_SavePlaylist->setEnabled(false);
    connect(MF_SavePlaylist, &QAction::triggered, this, &TFo_Kalvuno::MF_SavePlaylistClick);
    MF_SaveAsPlayList = MF_File->addAction(QStringLiteral("プレイリストに名前を付けて保存(&A)..."));
    MF_SaveAsPlayList->setObjectName(QStringLiteral("MF_SaveAsPlayList"));
    MF_SaveAsPlayList->setEnabled(false);
    connect(MF_SaveAsPlayList, &QAction::triggered, this, &TFo_Kalvuno::MF_SaveAsPlayListClick);
    MF_File->addSeparator();
    QAction *config = MF_File->addAction(QStringLiteral("環境の設定(&C)..."));
    config->setObjectName(QStringLiteral("MF_Config"));
    connect(config, &QAction::triggered, this, &TFo_Kalvuno::MF_ConfigClick);
    createRegistrationMenu();
    MF_File->addSeparator();
    MF_Exit = MF_File->addAction(QStringLiteral("終了(&X)"));
    MF_Exit->setObjectName(QStringLiteral("MF_Exit"));
    connect(MF_Exit, &QAction::triggered, this, &TFo_Kalvuno::MF_ExitClick);

    // Radio items whose data is the value they stand for.
    const auto radioMenu = [this](QMenu *menu, QList<QAction *> &items,
                                  std::initializer_list<std::tuple<const char *, QString, int>> rows, void (TFo_Kalvuno::*click)(int)) {
        auto *group = new QActionGroup(menu);
        for (const auto &[name, caption, value] : rows) {
            QAction *a = menu->addAction(caption);
            a->setObjectName(QString::fromLatin1(name));
            a->setCheckable(true);
            a->setData(value);
            group->addAction(a);
            connect(a, &QAction::triggered, this, [this, click, value = value] { (this->*click)(value); });
            items.append(a);
        }
    };
    QMenu *view = menuBar()->addMenu(QStringLiteral("表示(&V)"));
    view->setObjectName(QStringLiteral("MV_View"));
    MV_VideoSize = view->addMenu(QStringLiteral("ビデオのサイズ(&V)"));
    MV_VideoSize->setObjectName(QStringLiteral("MV_VideoSize"));
    radioMenu(MV_VideoSize, m_videoSizeItems,
              {{"MVV_Fix", QStringLiteral("固定(&F)"), 0},
               {"MVV_Original", QStringLiteral("オリジナルサイズ(&O)"), 1},
               {"MVV_Double", QStringLiteral("ダブルサイズ(&D)"), 2},
               {"MVV_Full", QStringLiteral("フルスクリーン(&F)"), -1}},
              &TFo_Kalvuno::MV_VideoSizeClick);
    m_videoSizeItems.last()->setVisible(false);
    MV_StatusBar = view->addAction(QStringLiteral("ステータスバー(&S)"));
    MV_StatusBar->setObjectName(QStringLiteral("MV_StatusBar"));
    MV_StatusBar->setCheckable(true);
    connect(MV_StatusBar, &QAction::triggered, this, &TFo_Kalvuno::MV_StatusBarClick);
    QMenu *settings = menuBar()->addMenu(QStringLiteral("設定(&S)"));
    settings->setObjectName(QStringLiteral("MS_Settings"));
    MS_Repeat = settings->addMenu(QStringLiteral("リピート再生(&R)"));
    MS_Repeat->setObjectName(QStringLiteral("MS_Repeat"));
    radioMenu(MS_Repeat, m_repeatItems,
              {{"MSR_Off", QStringLiteral("Off(&O)"), 0},
               {"MSR_Item", QStringLiteral("項目(&I)"), 1},
               {"MSR_List", QStringLiteral("リスト(&L)"), 2},
               {"MSR_Search", QStringLiteral("再検索(&S)"), 3},
               {"MSR_Next", QStringLiteral("次のリスト(&N)"), 4}},
              &TFo_Kalvuno::MS_RepeatClick);
    createTimerMenus(settings);
    M_Help = menuBar()->addMenu(QStringLiteral("ヘルプ(&H)"));
    M_Help->setObjectName(QStringLiteral("M_Help"));
    QAction *about = M_Help->addAction(QStringLiteral("バージョン情報(&A)..."));
    about->setObjectName(QStringLiteral("MH_About"));
    about->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_A));
    connect(about, &QAction::triggered, this, &TFo_Kalvuno::MH_AboutClick);
    QAction *contents = M_Help->addAction(QStringLiteral("目次(&C)..."));
    contents->setObjectName(QStringLiteral("MH_Contents"));
    contents->setShortcut(QKeySequence(Qt::Key_F1));
    connect(contents, &QAction::triggered, this, &TFo_Kalvuno::MH_ContentsClick);
    M_Help->insertAction(about, contents);
}

void TFo_Kalvuno::MH_AboutClick()
{
    TFo_About about(this);
    about.exec();
}

void TFo_Kalvuno::createStatusBar()
{
    QStatusBar *bar = statusBar();
    bar->setObjectName(QStringLiteral("SB_Status"));
    bar->setAccessibleName(QStringLiteral("ステータスバー"));
    // Hints replace this text while the pointer rests on a control.
    m_statusText = new QLabel(QStringLiteral("Ready"), bar);
    bar->addWidget(m_statusText, 1);
}

void TFo_Kalvuno::createBrowserBar()
{
    // The second line of the top tool area: the browser's buttons (Panel2)
    // and its address bar (Pa_Address). It shows once the browser fills it.
    addToolBarBreak(Qt::TopToolBarArea);
    QToolBar *bar = addToolBar(QStringLiteral("ブラウザ"));
    bar->setObjectName(QStringLiteral("BrowserBar"));
    bar->setMovable(false);
    auto *buttons = new QWidget(bar);
    buttons->setObjectName(QStringLiteral("Panel2"));
    buttons->setFixedWidth(152);
    auto *address = new QWidget(bar);
    address->setObjectName(QStringLiteral("Pa_Address"));
    address->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    bar->addWidget(buttons);
    bar->addWidget(address);
    m_browserBar = new BrowserBar(buttons, address);
    connect(m_browserBar, &BrowserBar::goClicked, this, &TFo_Kalvuno::Bu_GoClick);
    connect(m_browserBar, &BrowserBar::playAllClicked, this, &TFo_Kalvuno::Bu_PlayClick);
    connect(m_browserBar, &BrowserBar::openInBrowserClicked, this, &TFo_Kalvuno::Bu_BrowserClick);
    bar->hide();
}

void TFo_Kalvuno::createRightColumn()
{
    // The browser takes the room on the left; the lists and panels live in
    // the right-hand column Pa_Base.
    auto *client = new QWidget(this);
    client->setObjectName(QStringLiteral("Pa_Client"));
    auto *base = new QWidget(client);
    base->setObjectName(QStringLiteral("Pa_Base"));
    base->setFixedWidth(181);
    m_favoritesSection = new ListSection({"Pa_FavoritesBase", "Pa_Favorites", "La_Favorites", "LB_Favorites"},
                                         QStringLiteral("お気に入り"), base);
    m_playlistsSection = new ListSection({"Pa_SelectionBase", "Pa_Selection", "La_Selection", "LB_PlayLists"},
                                         QStringLiteral("プレイリスト"), base);
    createListSections();
    m_playlistPanel = new PlaylistPanel(m_playlist, base);
    Pa_CtrlBase = new QWidget(base);
    Pa_CtrlBase->setObjectName(QStringLiteral("Pa_CtrlBase"));
    Pa_CtrlBase->setFixedHeight(279);
    PB_Information = new InformationPanel(Pa_CtrlBase);
    PB_Information->setFixedHeight(185);
    PB_Control = new ControlPanel(m_playback.panel(), Pa_CtrlBase);
    PB_Control->setFixedHeight(94);
    auto *panels = new QVBoxLayout(Pa_CtrlBase);
    panels->setContentsMargins(0, 0, 0, 0);
    panels->setSpacing(0);
    panels->addWidget(PB_Information);
    panels->addWidget(PB_Control);
    PB_Information->navigate = [this](const QString &url) { navigate(url); };
    // The Home button's hint changes as the pointer enters and leaves it.
    connect(PB_Information, &InformationPanel::hintChanged, this,
            [this](const QString &hint) { statusBar()->showMessage(QString(hint).replace(u'\r', u'\n')); });

    auto *column = new QVBoxLayout(base);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    for (QWidget *section : std::initializer_list<QWidget *>{m_favoritesSection, m_playlistsSection, m_playlistPanel})
        column->addWidget(section);
    column->addWidget(Pa_CtrlBase);
    auto *row = new QHBoxLayout(client);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);
    m_browserArea = new QWidget(client);
    m_browserArea->setObjectName(QStringLiteral("Pa_Browser"));
    row->addWidget(m_browserArea, 1);
    row->addWidget(base);
    setCentralWidget(client);

    // A click on a section's header or its caption makes it the active one.
    const std::pair<int, QWidget *> headers[] = {
        {0, m_favoritesSection->header()}, {0, m_favoritesSection->label()},
        {1, m_playlistsSection->header()}, {1, m_playlistsSection->label()},
        {2, m_playlistPanel->Pa_Playlist}, {2, m_playlistPanel->La_PlayList},
    };
    for (const auto &[tag, w] : headers) {
        w->setProperty("section", tag);
        w->installEventFilter(this);
    }
    FormResize();

    connect(m_playlistPanel, &PlaylistPanel::writeFailed, this,
            [this](const QString &path) { messagebox::showWriteError(this, path); });
    connect(m_playlistPanel, &PlaylistPanel::informationChanged, this, [this](const EntryInfo &info) {
        m_information = info;
        PB_Information->setTexts(info);
    });
    connect(m_playlistPanel, &PlaylistPanel::playRequested, this, &TFo_Kalvuno::PlaySelectedEntry);
}

void TFo_Kalvuno::Pa_ChangeList(int section)
{
    m_activeSection = section;
    FormResize();
}

void TFo_Kalvuno::FormResize()
{
    // The order on screen never changes; the active section takes the height
    // the others leave, the others show their headers only.
    auto *column = static_cast<QVBoxLayout *>(m_playlistPanel->parentWidget()->layout());
    QAbstractItemView *const lists[]
        = { m_favoritesSection->list(), m_playlistsSection->list(), m_playlistPanel->LB_Play };
    for (int i = 0; i < 3; ++i) {
        lists[i]->setVisible(i == m_activeSection);
        column->setStretch(i, i == m_activeSection ? 1 : 0);
    }
    if (m_activeSection == 2)
        m_playlistPanel->LB_Play->scrollToTop();
}

void TFo_Kalvuno::resizeEvent(QResizeEvent *event)
{
    QMainWindow::resizeEvent(event);
    FormResize();
}

bool TFo_Kalvuno::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::MouseButtonPress) {
        const QVariant section = watched->property("section");
        if (section.isValid()) {
            Pa_ChangeList(section.toInt());
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void TFo_Kalvuno::keyPressEvent(QKeyEvent *event)
{
    // Keys the focused control did not take: Space plays or pauses,
    // Ctrl+Left and Ctrl+Right go to the previous and the next entry.
    const bool ctrl = event->modifiers() == Qt::ControlModifier;
    if (event->key() == Qt::Key_Space && event->modifiers() == Qt::NoModifier)
        m_playback.playOrPause();
    else if (ctrl && event->key() == Qt::Key_Left)
        m_playback.stepSelection(-1);
    else if (ctrl && event->key() == Qt::Key_Right)
        m_playback.stepSelection(+1);
    else
        return QMainWindow::keyPressEvent(event);
    event->accept();
}

void TFo_Kalvuno::MV_StatusBarClick() { statusBar()->setVisible(!statusBar()->isVisible()); }

void TFo_Kalvuno::FormCreate(const QStringList &arguments)
{
    seedRandomFromClock();
    ensureFolder(m_paths.profile);

    m_tray = new TrayIcon(windowIcon(), this);
    connect(m_tray, &TrayIcon::leftClicked, this, &TFo_Kalvuno::restoreFromTray);

    m_commandLine = parseCommandLine(arguments);
    const QString defaultHost = defaultServiceHost();
    switch (m_commandLine.service) {
    case ServiceChoice::Default:
        m_service = ServiceAddressing::forHost(defaultHost, QString::fromUtf16(kServiceScriptPath));
        break;
    case ServiceChoice::Develop:
        m_service = ServiceAddressing::forHost(developServiceHost(defaultHost), QString::fromUtf16(kDevelopScriptPath));
        break;
    case ServiceChoice::Test:
        m_service = ServiceAddressing::forHost(testServiceHost(), QString::fromUtf16(kServiceScriptPath));
        break;
    }
    m_transport.setAddressing(m_service);
    m_startMinimized = m_commandLine.startMinimized;
    setAddressSubstitution({m_config->read(keys::DomainName), m_config->read(keys::PrivateAddress)});
    setAcceptDrops(true);
    createFileIntake();

    m_mpris = new Mpris(*this);
    m_mpris->start();

    Ti_Check = new QTimer(this);
    Ti_Check->setObjectName(QStringLiteral("Ti_Check"));
    Ti_Check->setInterval(50);
    connect(Ti_Check, &QTimer::timeout, this, [this] { Ti_CheckTimer(true); });
    m_firstShow = true;
}

void TFo_Kalvuno::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    if (m_firstShow)
        FormShow();
}

void TFo_Kalvuno::FormShow()
{
    firstRunSetup();
    // Its message box may have been open when a close request came.
    if (m_closing)
        return;

    m_videoMode = m_config->read(keys::VideoMode);
    TPlayGst::setVideoMode(m_videoMode);
    m_playback.repeatMode = m_config->read(keys::RepeatMode);
    m_onTimerEnabled = m_config->read(keys::OnTimer_ON);
    m_onTimerSettings = LoadOnTimerSettings(m_config->file(), QString::fromUtf16(keys::kOnTimer));
    m_playback.browseOnPlay = m_config->read(keys::Browse);
    PB_Information->Build();
    PB_Control->Build();
    ListFavorites(QString());
    ListPlaylists(QString());

    // A "Current.ini" is still there only when the last run did not end normally.
    m_playlistPanel->LoadCurrentList(-1, true);
    bool stop = false;
    for (const QString &file : std::as_const(m_commandLine.files)) {
        OpenFileByType(file, stop);
        if (stop)
            break;
    }
    m_playlist.select(0);
    m_playlistPanel->showSelection();
    if (m_playlist.count() > 0)
        m_playback.PlaySelectedEntry();

    createMaintenanceMenu();
    m_firstShow = false;
    Ti_Check->start();
    m_playback.homePage = topPageUrl(defaultServiceHost());
    // The web view comes once the window is on screen, and goes to the start page.
    if (m_browserEnabled)
        QTimer::singleShot(0, this, &TFo_Kalvuno::createBrowser);
    restorePlacement();
}

bool TFo_Kalvuno::firstRunSetup()
{
    if (m_config->read(keys::Setup) != 0)
        return true;
    QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation) + QStringLiteral("/mp3/");
    if (!ensureFolder(folder))
        folder.clear();
    IniBatch batch(m_config->file());
    m_config->write(keys::Download, folder);
    m_config->write(keys::DL, true);
    if (!checkWrite(batch.commit()) || m_closing)
        return false;
    // Its OK writes Setup=1; until then every start asks again. The dialog
    // shows the on-timer as stored, not the defaults held before the read.
    m_onTimerEnabled = m_config->read(keys::OnTimer_ON);
    m_onTimerSettings = LoadOnTimerSettings(m_config->file(), QString::fromUtf16(keys::kOnTimer));
    MF_ConfigClick();
    return true;
}

void TFo_Kalvuno::restorePlacement()
{
    statusBar()->setVisible(m_config->read(keys::StatusBar));
    const QRect current = geometry();
    const SavedBounds saved{m_config->read(keys::Left, current.x()), m_config->read(keys::Top, current.y()),
                            m_config->read(keys::Width, current.width()),
                            m_config->read(keys::Height, current.height())};
    // The screen the saved window stood on, if it is still there.
    const QScreen *where = QGuiApplication::screenAt(centreOf(saved));
    if (!where)
        where = screen() ? screen() : QGuiApplication::primaryScreen();
    if (!where)
        return;
    switch (decidePlacement(saved, where->geometry().size(), where->availableGeometry())) {
    case PlacementAction::Maximize:
        setWindowState(windowState() | Qt::WindowMaximized);
        break;
    case PlacementAction::Apply:
        setGeometry(placeInside(saved, where->availableGeometry()));
        break;
    case PlacementAction::Keep:
        break;
    }
}

bool TFo_Kalvuno::savePlacement()
{
    // A maximised window is saved with bounds that cover the work area, so
    // that the next start maximises it again.
    QRect bounds = geometry();
    if (isMaximized()) {
        const QRect area = screen() ? screen()->availableGeometry() : frameGeometry();
        bounds = QRect(frameGeometry().topLeft(), frameGeometry().size().expandedTo(area.size()));
    }
    IniBatch batch(m_config->file());
    m_config->write(keys::StatusBar, statusBar()->isVisible());
    m_config->write(keys::Left, bounds.x());
    m_config->write(keys::Top, bounds.y());
    m_config->write(keys::Width, bounds.width());
    m_config->write(keys::Height, bounds.height());
    return checkWrite(batch.commit());
}

bool TFo_Kalvuno::checkWrite(bool ok)
{
    if (!ok)
        messagebox::showWriteError(this, m_config->path());
    return ok;
}

void TFo_Kalvuno::closeEvent(QCloseEvent *event)
{
    if (m_closed) {
        event->accept();
        return;
    }
    // Closing under a message box, a dialog or a request that is still on the
    // stack would pull the window from under them: close once they have gone.
    if (isNested()) {
        event->ignore();
        requestClose();
        return;
    }
    m_closing = true;
    m_closed = true;
    FormClose();
    event->accept();
    // The program ends with its main window, also when the window was hidden in the tray.
    QTimer::singleShot(0, qApp, &QCoreApplication::quit);
}

void TFo_Kalvuno::FormClose()
{
    PB_Information->setClosing();
    PB_Control->setClosing();
    m_playback.shutDown();
    m_firstShow = true;
    HideTrayIcon();
    Ti_Check->stop();
    savePlacement();
}

void TFo_Kalvuno::FormDestroy()
{
    // The current playlist is a working file of one run.
    m_playlist.release();
    QFile::remove(m_paths.currentList);
    m_config.reset();
}

void TFo_Kalvuno::MF_ExitClick() { close(); }

void TFo_Kalvuno::requestClose()
{
    m_closing = true;
    HttpTransport::abortAll();
    messagebox::dismissAll();
    closeWhenUnwound();
}

void TFo_Kalvuno::closeWhenUnwound()
{
    if (m_closed)
        return;
    if (isNested()) {
        QTimer::singleShot(10, this, &TFo_Kalvuno::closeWhenUnwound);
        return;
    }
    close();
}

bool TFo_Kalvuno::workOnStack() const { return m_inTimerStep || m_playback.isTicking() || BusyScope::active(); }

bool TFo_Kalvuno::isNested() const
{
    // The program's own loop is level 1; a modal box or dialog adds one.
    return workOnStack() || QThread::currentThread()->loopLevel() > 1;
}

void TFo_Kalvuno::whenIdle(std::function<void()> command)
{
    if (m_closing)
        return;
    if (workOnStack()) {
        m_queuedCommands.append(std::move(command));
        tickSoon();
        return;
    }
    command();
}

void TFo_Kalvuno::runQueuedCommands()
{
    while (!m_queuedCommands.isEmpty() && !m_closing && !workOnStack())
        m_queuedCommands.takeFirst()();
}

void TFo_Kalvuno::Ti_CheckTimer(bool timed)
{
    // A tick that arrives while a tick, a message box it opened or a request
    // is still on the stack only brings the menus and buttons in line: it
    // must never start anything under them.
    const bool nested = m_closing || workOnStack();
    if (!nested && m_startMinimized) {
        m_startMinimized = false;
        setWindowState(windowState() | Qt::WindowMinimized);
    }
    if (!nested) {
        m_inTimerStep = true;
        checkTimers();
        m_inTimerStep = false;
        if (m_closing)
            return;
    }
    m_playlistPanel->UpdateMoveButtons();
    UpdateSaveButtons();
    for (QAction *item : std::as_const(m_videoSizeItems))
        setIfChanged(item, item->data().toInt() == m_videoMode);
    for (QAction *item : std::as_const(m_repeatItems))
        setIfChanged(item, item->data().toInt() == m_playback.repeatMode);
    setIfChanged(MV_StatusBar, statusBar()->isVisible());
    updateTimerMenus();
    syncAddressBox();
    m_playlistPanel->setPlayingKey(m_playback.player() ? m_playback.currentKey() : QString());
    if (nested)
        return;
    runQueuedCommands();
    m_playback.tick(timed);
    // The first tick opens the playlist named at start: an early song it did not take is not wanted.
    m_early.drop();
    m_mpris->publishChanges();
}

template <class T> void TFo_Kalvuno::setIfChanged(T *item, bool checked)
{
    if (item->isChecked() != checked)
        item->setChecked(checked);
}

bool TFo_Kalvuno::isTrayIconShown() const { return m_tray->isShown(); }

void TFo_Kalvuno::ShowTrayIcon() { m_tray->show(); }

void TFo_Kalvuno::HideTrayIcon() { m_tray->hide(); }

void TFo_Kalvuno::changeEvent(QEvent *event)
{
    QMainWindow::changeEvent(event);
    if (event->type() != QEvent::WindowStateChange)
        return;
    const auto *change = static_cast<QWindowStateChangeEvent *>(event);
    const bool wasMinimized = change->oldState() & Qt::WindowMinimized;
    if (isMinimized() && !wasMinimized)
        ApplicationMinimize();
    else if (!isMinimized() && wasMinimized)
        ApplicationRestore();
}

void TFo_Kalvuno::ApplicationMinimize()
{
    // Without a notification area to come back from, the window minimises as usual.
    if (!TrayIcon::isAvailable())
        return;
    ShowTrayIcon();
    // Hide once the minimise has been handled, not from inside its own event.
    QTimer::singleShot(0, this, [this] {
        if (isMinimized())
            hide();
    });
}

void TFo_Kalvuno::ApplicationRestore() { HideTrayIcon(); }

void TFo_Kalvuno::restoreFromTray()
{
    show();
    setWindowState(windowState() & ~Qt::WindowMinimized);
    raise();
    activateWindow();
}
