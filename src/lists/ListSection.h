#pragma once

#include <QWidget>

class QHBoxLayout;
class QLabel;
class QListWidget;

// One list section of the right column: a 25-pixel header with its caption
// (and, later, its small buttons) over a list. When the section is not the
// active one only its header shows.
class ListSection : public QWidget
{
    Q_OBJECT
public:
    struct Names
    {
        const char *base;   // the section, e.g. "Pa_FavoritesBase"
        const char *header; // "Pa_Favorites"
        const char *label;  // "La_Favorites"
        const char *list;   // "LB_Favorites"
    };
    ListSection(const Names &names, const QString &caption, QWidget *parent = nullptr);

    QWidget *header() const { return m_header; }
    QLabel *label() const { return m_label; }
    QListWidget *list() const { return m_list; }
    // Where the section's small buttons go, right of the caption.
    QHBoxLayout *headerRow() const { return m_headerRow; }

private:
    QWidget *m_header;
    QLabel *m_label;
    QListWidget *m_list;
    QHBoxLayout *m_headerRow;
};
