#include "BookDlg.h"

#include "Edit.h"
#include "ListBox.h"
#include "TitleEdit.h"

#include <QApplication>
#include <QWheelEvent>

#include <algorithm>
#include <iterator>

namespace {

// The sizes the zoom keys step through, as browsers offer them.
constexpr int kZoomSteps[] = {50, 67, 75, 80, 90, 100, 110, 125, 150, 175, 200, 250, 300};
static_assert(kZoomSteps[0] == CBookDlg::kMinZoom &&
              kZoomSteps[std::size(kZoomSteps) - 1] == CBookDlg::kMaxZoom);

// One notch of a mouse wheel; touchpads send fractions of it.
constexpr int kWheelNotch = 120;

} // namespace

void CBookDlg::SetZoom(int percent) {
    percent = std::clamp(percent, kMinZoom, kMaxZoom);
    if (percent == m_nZoom)
        return;
    m_nZoom = percent;
    ApplyZoom();
}

void CBookDlg::ApplyZoom() {
    for (QWidget* control : std::initializer_list<QWidget*>{m_ctlTitle, m_ctlItemList, m_ctlBody}) {
        if (m_nZoom == 100) {
            control->setFont(QFont()); // follows the desktop's font again
            continue;
        }
        // Only the size is set: family and style still come from the desktop's font.
        const QFont desktop = QApplication::font(control);
        QFont font;
        if (desktop.pointSizeF() > 0)
            font.setPointSizeF(desktop.pointSizeF() * m_nZoom / 100);
        else
            font.setPixelSize(std::max(1, desktop.pixelSize() * m_nZoom / 100));
        control->setFont(font);
    }
}

void CBookDlg::OnZoomIn() {
    const int* next = std::upper_bound(std::begin(kZoomSteps), std::end(kZoomSteps), m_nZoom);
    SetZoom(next == std::end(kZoomSteps) ? kMaxZoom : *next);
}

void CBookDlg::OnZoomOut() {
    const int* next = std::lower_bound(std::begin(kZoomSteps), std::end(kZoomSteps), m_nZoom);
    SetZoom(next == std::begin(kZoomSteps) ? kMinZoom : *std::prev(next));
}

void CBookDlg::OnZoomReset() {
    SetZoom(100);
}

bool CBookDlg::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::Wheel)
        return QWidget::eventFilter(watched, event);
    const auto* wheel = static_cast<QWheelEvent*>(event);
    if (!(wheel->modifiers() & Qt::ControlModifier))
        return QWidget::eventFilter(watched, event);
    const int delta = wheel->angleDelta().y();
    // A turn the other way starts afresh rather than first undoing what was left over.
    m_nWheelZoom = (m_nWheelZoom < 0) == (delta < 0) ? m_nWheelZoom + delta : delta;
    for (; m_nWheelZoom >= kWheelNotch; m_nWheelZoom -= kWheelNotch)
        OnZoomIn();
    for (; m_nWheelZoom <= -kWheelNotch; m_nWheelZoom += kWheelNotch)
        OnZoomOut();
    return true;
}
