#pragma once

#include <QObject>
#include <QPointer>

class BrowserPane;
class QLineEdit;
class QToolButton;
class QPushButton;
class QWidget;

// The second line of the top tool area: the flat browser buttons (in Panel2)
// and the address bar (in Pa_Address). Back, forward, stop and reload act
// on the view; the rest is the window's to do.
class BrowserBar : public QObject
{
    Q_OBJECT
public:
    BrowserBar(QWidget *buttons, QWidget *address);
    ~BrowserBar() override;

    // The buttons act on pane from now on.
    void attach(BrowserPane *pane);
    // What the tick shows in the address box: the view's location, left
    // alone while the user types there.
    void showLocation(const QString &text);

    QToolButton *Bu_Back = nullptr;
    QToolButton *Bu_Next = nullptr;
    QToolButton *Bu_Stop = nullptr;
    QToolButton *Bu_Reload = nullptr;
    QToolButton *Bu_Play = nullptr;
    QToolButton *Bu_Browser = nullptr;
    QLineEdit *Ed_Address = nullptr;
    QPushButton *Bu_Go = nullptr;

signals:
    void goClicked(const QString &address);
    void playAllClicked();
    void openInBrowserClicked();

private:
    void updateCommands();
    BrowserPane *m_pane = nullptr;
    // Whether m_pane is still there.
    QPointer<QWidget> m_paneView;
};
