#pragma once

#include <QLayout>
#include <QRect>
#include <QSize>

#include <vector>

// Places a dialog template's controls at their pixel rectangles. At the template's size and
// below, every control keeps its rectangle (the host is asked for at least that size); the
// width and height the host has beyond it go to the controls by their anchors: kStretchX
// widens, kStretchY heightens, kMoveY moves down.
class CTemplateLayout : public QLayout {
    Q_OBJECT
public:
    // templateSize: the template's size in pixels.
    CTemplateLayout(QWidget* host, QSize templateSize);
    ~CTemplateLayout() override;

    // Adds a child of the host at rect (pixels, relative to the host) with Anchor flags.
    void AddControl(QWidget* control, const QRect& rect, unsigned anchor);
    QSize TemplateSize() const { return m_templateSize; }
    // Whether any control follows the host's size.
    bool HasAnchors() const;

    void addItem(QLayoutItem* item) override;
    QLayoutItem* itemAt(int index) const override;
    QLayoutItem* takeAt(int index) override;
    int count() const override;
    QSize sizeHint() const override;
    QSize minimumSize() const override;
    void setGeometry(const QRect& rect) override;

private:
    struct SPlaced {
        QLayoutItem* item;
        QRect rect;      // at the template's size
        unsigned anchor; // Anchor flags
    };
    std::vector<SPlaced> m_items;
    QSize m_templateSize;
};
