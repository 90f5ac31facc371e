#pragma once

#include <QBasicTimer>
#include <QObject>

#include <map>

// Numbered repeating timers of one owner. timeout(id) arrives on the thread the CTimer lives
// in (the user-interface thread) at every expiry until the id is killed. A period below
// kMinimumPeriodMs runs at that minimum so that a period of 0 cannot spin the processor.
class CTimer : public QObject {
    Q_OBJECT
public:
    static constexpr unsigned kMinimumPeriodMs = 10;

    explicit CTimer(QObject* parent = nullptr);

    // Starts timer id, or restarts it with the new period when it runs. Always true.
    bool SetTimer(unsigned id, unsigned periodMs);
    // Stops timer id; false when it was not running.
    bool KillTimer(unsigned id);
    bool IsRunning(unsigned id) const;
    // The period last passed to SetTimer for a running id (before the minimum applied); 0 for
    // an id not running.
    unsigned RequestedPeriod(unsigned id) const;

signals:
    void timeout(unsigned id);

protected:
    void timerEvent(QTimerEvent* event) override;

private:
    struct STimer {
        QBasicTimer timer;
        unsigned requestedMs = 0;
    };
    std::map<unsigned, STimer> m_timers;
};
