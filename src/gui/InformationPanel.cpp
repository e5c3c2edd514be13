#include "InformationPanel.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPainter>

using namespace kalvuno;

namespace {

constexpr char16_t kHomeName[] = u"ホームページ";

} // namespace

InformationPanel::InformationPanel(QWidget *parent) : QWidget(parent), m_hint(m_rules.hint())
{
    setObjectName(QStringLiteral("PB_Information"));
    setToolTip(m_hint);
    setStatusTip(m_hint);
    setAccessibleName(m_hint);
    setFixedHeight(185);
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
    VirtualButtons::installAccessibility(this);
}

void InformationPanel::Build()
{
    if (m_built)
        return;
    m_built = true;
    buildSurfaces();
    fitTexts();
    update();
}

void InformationPanel::buildSurfaces()
{
    m_painter.build(std::max(width(), 1), height(), PanelColours::fromPalette(QApplication::palette()));
}

void InformationPanel::setClosing() { m_closing = true; }

void InformationPanel::setTexts(const EntryInfo &info)
{
    m_rules.setTexts(info);
    fitTexts();
    changed(true);
}

void InformationPanel::fitTexts()
{
    // Measured once per entry, not on every repaint.
    for (int i = 0; i < 4; ++i)
        m_view.values[size_t(i)] = m_painter.fitted(m_rules.value(i));
    m_view.chart = m_rules.rankChart();
}

void InformationPanel::changed(bool repaint)
{
    if (m_rules.hint() != m_hint) {
        m_hint = m_rules.hint();
        // A tooltip shows the address on a line of its own; the status bar has one line.
        setToolTip(QString(m_hint).replace(u'\r', u'\n'));
        setStatusTip(QString(m_hint).replace(u'\r', u' '));
        emit hintChanged(m_hint);
    }
    if (repaint && m_built && !m_closing)
        update();
}

void InformationPanel::paintEvent(QPaintEvent *)
{
    if (!m_built || m_closing)
        return;
    m_view.homeIcon = m_rules.homeIcon();
    m_view.homePressed = m_rules.pressed();
    QPainter painter(this);
    m_painter.paint(m_view).drawOn(painter, 0, 0);
}

void InformationPanel::resizeEvent(QResizeEvent *)
{
    if (m_built && (width() != m_painter.width() || height() != m_painter.height()))
        buildSurfaces();
}

void InformationPanel::mouseMoveEvent(QMouseEvent *event)
{
    const QPoint p = panelPixel(event->position());
    bool repaint = false;
    if (m_rules.mode() != InformationPanelRules::Idle && !(event->buttons() & Qt::LeftButton))
        repaint = m_rules.releaseLost(); // its release went elsewhere
    repaint = m_rules.mouseMove(p.x(), p.y()) || repaint;
    changed(repaint);
}

void InformationPanel::mousePressEvent(QMouseEvent *event)
{
    const QPoint p = panelPixel(event->position());
    bool repaint = false;
    if (event->button() == Qt::LeftButton && m_rules.mode() != InformationPanelRules::Idle)
        repaint = m_rules.releaseLost();
    repaint = m_rules.mouseDown(event->button() == Qt::LeftButton, p.x(), p.y()) || repaint;
    changed(repaint);
}

void InformationPanel::mouseReleaseEvent(QMouseEvent *event)
{
    const QPoint p = panelPixel(event->position());
    QString url;
    changed(m_rules.mouseUp(event->button() == Qt::LeftButton, p.x(), p.y(), url));
    go(url);
}

void InformationPanel::leaveEvent(QEvent *)
{
    if (m_rules.mode() == InformationPanelRules::Idle)
        changed(m_rules.mouseMove(-1, -1));
}

bool InformationPanel::event(QEvent *event)
{
    switch (event->type()) {
    case QEvent::Hide:
    case QEvent::WindowDeactivate:
    case QEvent::FocusOut:
    case QEvent::UngrabMouse:
        changed(m_rules.releaseLost());
        break;
    default:
        break;
    }
    return QWidget::event(event);
}

void InformationPanel::go(const QString &url)
{
    if (!url.isEmpty() && navigate)
        navigate(url);
}

QString InformationPanel::virtualButtonName(int) const { return QString::fromUtf16(kHomeName); }

QRect InformationPanel::virtualButtonRect(int) const
{
    return QRect(kHomeCentreX - kHomeRadius, kHomeCentreY - kHomeRadius, 2 * kHomeRadius, 2 * kHomeRadius);
}

void InformationPanel::pressVirtualButton(int) { go(m_rules.click()); }
