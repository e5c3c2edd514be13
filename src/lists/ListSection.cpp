#include "ListSection.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QVBoxLayout>

ListSection::ListSection(const Names &names, const QString &caption, QWidget *parent) : QWidget(parent)
{
    setObjectName(QString::fromLatin1(names.base));
    m_header = new QWidget(this);
    m_header->setObjectName(QString::fromLatin1(names.header));
    m_header->setFixedHeight(25);
    m_label = new QLabel(caption, m_header);
    m_label->setObjectName(QString::fromLatin1(names.label));
    m_headerRow = new QHBoxLayout(m_header);
    m_headerRow->setContentsMargins(4, 0, 2, 0);
    m_headerRow->setSpacing(1);
    m_headerRow->addWidget(m_label, 1);

    m_list = new QListWidget(this);
    m_list->setObjectName(QString::fromLatin1(names.list));
    m_list->setAccessibleName(caption);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_header);
    layout->addWidget(m_list, 1);
}
