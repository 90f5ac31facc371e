#include "Timer.h"

#include <QTimerEvent>

#include <algorithm>
#include <climits>

CTimer::CTimer(QObject* parent) : QObject(parent) {}

bool CTimer::SetTimer(unsigned id, unsigned periodMs) {
    STimer& entry = m_timers[id];
    entry.requestedMs = periodMs;
    const unsigned actual = std::clamp<unsigned>(periodMs, kMinimumPeriodMs, INT_MAX);
    // Precise: a coarse timer may fire up to 5 % early, below the minimum.
    entry.timer.start(static_cast<int>(actual), Qt::PreciseTimer, this);
    return true;
}

bool CTimer::KillTimer(unsigned id) {
    const auto it = m_timers.find(id);
    if (it == m_timers.end())
        return false;
    it->second.timer.stop();
    m_timers.erase(it);
    return true;
}

bool CTimer::IsRunning(unsigned id) const {
    return m_timers.count(id) != 0;
}

unsigned CTimer::RequestedPeriod(unsigned id) const {
    const auto it = m_timers.find(id);
    return it == m_timers.end() ? 0 : it->second.requestedMs;
}

void CTimer::timerEvent(QTimerEvent* event) {
    const auto it = std::find_if(m_timers.begin(), m_timers.end(), [event](const auto& entry) {
        return entry.second.timer.timerId() == event->timerId();
    });
    if (it == m_timers.end()) {
        QObject::timerEvent(event);
        return;
    }
    const unsigned id = it->first; // the receiver may kill or add timers
    emit timeout(id);
}
