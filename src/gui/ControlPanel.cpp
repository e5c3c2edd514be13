#include "ControlPanel.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPainter>

using namespace kalvuno;

namespace {

const char16_t *const kNames[kControlButtonCount] = {u"前の曲", u"巻き戻し", u"再生", u"停止", u"早送り", u"次の曲"};
constexpr char16_t kPauseName[] = u"一時停止";

} // namespace

ControlPanel::ControlPanel(ControlPanelRules &rules, QWidget *parent) : QWidget(parent), m_rules(rules)
{
    setObjectName(QStringLiteral("PB_Control"));
    const QString hint = QStringLiteral("再生をコントロールします");
    setToolTip(hint);
    setStatusTip(hint);
    setAccessibleName(hint);
    setFixedHeight(94);
    setMouseTracking(true);
    // Every pixel is ours: Qt need not clear the background first.
    setAttribute(Qt::WA_OpaquePaintEvent);
    VirtualButtons::installAccessibility(this);
}

void ControlPanel::Build()
{
    if (m_built)
        return;
    m_built = true;
    buildSurfaces();
    update();
}

void ControlPanel::buildSurfaces()
{
    m_painter.build(std::max(width(), 1), height(), PanelColours::fromPalette(QApplication::palette()));
}

void ControlPanel::setClosing() { m_closing = true; }

void ControlPanel::refresh()
{
    if (!m_built || m_closing)
        return;
    const ControlPanelView view = controlPanelView(m_rules);
    if (view == m_shown)
        return;
    if (view.pauseIcon != m_shown.pauseIcon)
        VirtualButtons::nameChanged(this, kPlay);
    // While a song plays only the times and the thumb move: they are above the buttons.
    ControlPanelView movedOnly = view;
    movedOnly.thumbLeft = m_shown.thumbLeft;
    movedOnly.elapsedSeconds = m_shown.elapsedSeconds;
    movedOnly.totalSeconds = m_shown.totalSeconds;
    const bool onlyMoved = movedOnly == m_shown;
    m_shown = view;
    if (onlyMoved)
        update(0, 0, width(), kThumbTop + kThumbSize);
    else
        update();
}

void ControlPanel::paintEvent(QPaintEvent *)
{
    if (!m_built || m_closing)
        return;
    m_shown = controlPanelView(m_rules);
    QPainter painter(this);
    m_painter.paint(m_shown).drawOn(painter, 0, 0);
}

void ControlPanel::resizeEvent(QResizeEvent *)
{
    // The column's width is fixed, but a panel built before its layout
    // settled gets backgrounds of its real size.
    if (m_built && (width() != m_painter.width() || height() != m_painter.height()))
        buildSurfaces();
}

void ControlPanel::mouseMoveEvent(QMouseEvent *event)
{
    const QPoint p = panelPixel(event->position());
    // A held button or a taken thumb whose release went elsewhere (a box
    // opened meanwhile) ends here, when the pointer comes back without it.
    if (m_rules.mode() != ControlPanelRules::Idle && !(event->buttons() & Qt::LeftButton))
        m_rules.releaseLost();
    m_rules.mouseMove(p.x(), p.y());
    refresh();
}

void ControlPanel::mousePressEvent(QMouseEvent *event)
{
    const QPoint p = panelPixel(event->position());
    if (event->button() == Qt::LeftButton && m_rules.mode() != ControlPanelRules::Idle)
        m_rules.releaseLost(); // the last press never saw its release
    m_rules.mouseDown(event->button() == Qt::LeftButton, p.x(), p.y());
    refresh();
}

void ControlPanel::mouseReleaseEvent(QMouseEvent *event)
{
    const QPoint p = panelPixel(event->position());
    m_rules.mouseUp(event->button() == Qt::LeftButton, p.x(), p.y());
    refresh();
}

void ControlPanel::leaveEvent(QEvent *)
{
    if (m_rules.mode() == ControlPanelRules::Idle) {
        m_rules.mouseMove(-1, -1);
        refresh();
    }
}

bool ControlPanel::event(QEvent *event)
{
    switch (event->type()) {
    case QEvent::Hide:
    case QEvent::WindowDeactivate:
    case QEvent::FocusOut:
    case QEvent::UngrabMouse:
        releaseLost();
        break;
    default:
        break;
    }
    return QWidget::event(event);
}

void ControlPanel::releaseLost()
{
    if (m_rules.releaseLost())
        refresh();
}

QString ControlPanel::virtualButtonName(int i) const
{
    if (i == kPlay && controlPanelView(m_rules).pauseIcon)
        return QString::fromUtf16(kPauseName);
    return QString::fromUtf16(kNames[i]);
}

QRect ControlPanel::virtualButtonRect(int i) const
{
    const ControlButton &b = kControlButtons[size_t(i)];
    return QRect(b.centreX() - b.radius, b.centreY() - b.radius, 2 * b.radius, 2 * b.radius);
}

void ControlPanel::pressVirtualButton(int i)
{
    m_rules.click(i);
    refresh();
}
