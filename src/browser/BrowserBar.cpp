#include "BrowserBar.h"

#include "BrowserPane.h"

#include <QAction>
#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QToolButton>

namespace {

QToolButton *flatButton(const char *name, QStyle::StandardPixmap glyph, const QString &hint, QWidget *parent)
{
    auto *b = new QToolButton(parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setAutoRaise(true);
    b->setIcon(parent->style()->standardIcon(glyph));
    b->setIconSize(QSize(16, 16));
    b->setFixedSize(24, 24);
    b->setToolTip(hint);
    b->setStatusTip(hint);
    b->setAccessibleName(hint);
    return b;
}

} // namespace

BrowserBar::BrowserBar(QWidget *buttons, QWidget *address)
    : QObject(buttons)
{
    auto *row = new QHBoxLayout(buttons);
    row->setContentsMargins(1, 0, 1, 0);
    row->setSpacing(1);
    Bu_Back = flatButton("Bu_Back", QStyle::SP_ArrowBack, QStringLiteral("戻る"), buttons);
    Bu_Next = flatButton("Bu_Next", QStyle::SP_ArrowForward, QStringLiteral("進む"), buttons);
    Bu_Stop = flatButton("Bu_Stop", QStyle::SP_BrowserStop, QStringLiteral("中止"), buttons);
    Bu_Reload = flatButton("Bu_Reload", QStyle::SP_BrowserReload, QStringLiteral("更新"), buttons);
    Bu_Play = flatButton("Bu_Play", QStyle::SP_MediaPlay, QStringLiteral("このページのMP3を全て再生"), buttons);
    Bu_Browser = flatButton("Bu_Browser", QStyle::SP_DesktopIcon, QStringLiteral("標準のブラウザで開く"), buttons);
    for (QToolButton *b : { Bu_Back, Bu_Next, Bu_Stop, Bu_Reload, Bu_Play, Bu_Browser })
        row->addWidget(b);
    row->addStretch(1);
    for (QToolButton *b : { Bu_Back, Bu_Next, Bu_Stop })
        b->setEnabled(false);

    // The box takes the width the label and the Go button leave, 8 pixels
    // from each of them and from the bar's end.
    auto *line = new QHBoxLayout(address);
    line->setContentsMargins(0, 0, 8, 0);
    line->setSpacing(8);
    auto *label = new QLabel(QStringLiteral("アドレス:"), address);
    Ed_Address = new QLineEdit(address);
    Ed_Address->setObjectName(QStringLiteral("Ed_Address"));
    Ed_Address->setAccessibleName(QStringLiteral("アドレス:"));
    label->setBuddy(Ed_Address);
    Bu_Go = new QPushButton(QStringLiteral("移動"), address);
    Bu_Go->setObjectName(QStringLiteral("Bu_Go"));
    Bu_Go->setAccessibleName(QStringLiteral("移動"));
    line->addWidget(label);
    line->addWidget(Ed_Address, 1);
    line->addWidget(Bu_Go);

    connect(Bu_Go, &QPushButton::clicked, this, [this] { emit goClicked(Ed_Address->text()); });
    connect(Ed_Address, &QLineEdit::returnPressed, this, [this] { emit goClicked(Ed_Address->text()); });
    connect(Bu_Play, &QToolButton::clicked, this, &BrowserBar::playAllClicked);
    connect(Bu_Browser, &QToolButton::clicked, this, &BrowserBar::openInBrowserClicked);
}

BrowserBar::~BrowserBar()
{
    // The view may outlive the bar while the window is taken down.
    if (m_paneView)
        m_pane->onCommandStateChanged = nullptr;
}

void BrowserBar::attach(BrowserPane *pane)
{
    m_pane = pane;
    // The view is the context: its buttons do nothing once it has gone.
    QWidget *view = pane->widget();
    m_paneView = view;
    connect(Bu_Back, &QToolButton::clicked, view, [pane] { pane->goBack(); });
    connect(Bu_Next, &QToolButton::clicked, view, [pane] { pane->goForward(); });
    connect(Bu_Stop, &QToolButton::clicked, view, [pane] { pane->stopLoading(); });
    connect(Bu_Reload, &QToolButton::clicked, view, [pane] { pane->reloadPage(); });
    pane->onCommandStateChanged = [this] { updateCommands(); };
    updateCommands();
}

void BrowserBar::updateCommands()
{
    Bu_Stop->setEnabled(m_pane->isBusy());
    Bu_Back->setEnabled(m_pane->canGoBack());
    Bu_Next->setEnabled(m_pane->canGoForward());
}

void BrowserBar::showLocation(const QString &text)
{
    if (!Ed_Address->hasFocus() && Ed_Address->text() != text)
        Ed_Address->setText(text);
}
