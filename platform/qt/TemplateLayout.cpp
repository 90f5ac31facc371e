#include "TemplateLayout.h"

#include "DialogTemplate.h"

#include <QWidget>

#include <algorithm>

CTemplateLayout::CTemplateLayout(QWidget* host, QSize templateSize)
    : QLayout(host), m_templateSize(templateSize) {
    setContentsMargins(0, 0, 0, 0);
}

CTemplateLayout::~CTemplateLayout() {
    for (const SPlaced& placed : m_items)
        delete placed.item;
}

void CTemplateLayout::AddControl(QWidget* control, const QRect& rect, unsigned anchor) {
    addChildWidget(control);
    control->setGeometry(rect); // placed at once, before the host is ever laid out
    m_items.push_back({new QWidgetItem(control), rect, anchor});
    invalidate();
}

bool CTemplateLayout::HasAnchors() const {
    return std::any_of(m_items.begin(), m_items.end(),
                       [](const SPlaced& placed) { return placed.anchor != Anchor::kNone; });
}

void CTemplateLayout::addItem(QLayoutItem* item) {
    m_items.push_back({item, item->geometry(), Anchor::kNone});
    invalidate();
}

QLayoutItem* CTemplateLayout::itemAt(int index) const {
    if (index < 0 || index >= count())
        return nullptr;
    return m_items[index].item;
}

QLayoutItem* CTemplateLayout::takeAt(int index) {
    if (index < 0 || index >= count())
        return nullptr;
    QLayoutItem* item = m_items[index].item;
    m_items.erase(m_items.begin() + index);
    invalidate();
    return item;
}

int CTemplateLayout::count() const {
    return static_cast<int>(m_items.size());
}

QSize CTemplateLayout::sizeHint() const {
    return m_templateSize;
}

QSize CTemplateLayout::minimumSize() const {
    return m_templateSize;
}

void CTemplateLayout::setGeometry(const QRect& rect) {
    QLayout::setGeometry(rect);
    const int extraWidth = std::max(0, rect.width() - m_templateSize.width());
    const int extraHeight = std::max(0, rect.height() - m_templateSize.height());
    for (const SPlaced& placed : m_items) {
        QRect place = placed.rect.translated(rect.topLeft());
        if (placed.anchor & Anchor::kStretchX)
            place.setWidth(place.width() + extraWidth);
        if (placed.anchor & Anchor::kStretchY)
            place.setHeight(place.height() + extraHeight);
        if (placed.anchor & Anchor::kMoveY)
            place.translate(0, extraHeight);
        // The widget directly, not the item: an item would stretch a control to its minimum
        // size hint, and a template's small buttons are smaller than Qt's.
        if (QWidget* control = placed.item->widget())
            control->setGeometry(place);
        else
            placed.item->setGeometry(place);
    }
}
