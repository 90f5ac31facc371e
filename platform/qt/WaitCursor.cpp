#include "WaitCursor.h"

#include <QCursor>
#include <QGuiApplication>

void CWaitCursor::Begin() {
    if (m_bBegun)
        return;
    QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
    m_bBegun = true;
}

void CWaitCursor::End() {
    if (!m_bBegun)
        return;
    QGuiApplication::restoreOverrideCursor();
    m_bBegun = false;
}
