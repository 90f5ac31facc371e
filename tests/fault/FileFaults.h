#pragma once

#include <QFileDevice>
#include <QString>

#include <csignal>
#include <sys/resource.h>

// Gives a file or folder only the permissions given, for the guard's lifetime; none makes a
// file unreadable. A process running as root passes any mode, so there the guard also switches
// this thread's file-system user to an unprivileged one, which drops the capabilities that
// override modes. The group stays root's, so the path is then judged by its group's
// permissions.
class CRestricted {
public:
    explicit CRestricted(const QString& path, QFileDevice::Permissions permissions = {});
    ~CRestricted();
    CRestricted(const CRestricted&) = delete;
    CRestricted& operator=(const CRestricted&) = delete;

private:
    QString m_strPath;
    QFileDevice::Permissions m_previous;
    int m_nPreviousUser = -1; // -1 when the user was not switched
};

// Lets this process write files of at most bytes bytes for the guard's lifetime: a write past
// that fails part-way (EFBIG, as a full disk would fail it with ENOSPC) instead of raising
// SIGXFSZ.
class CFileSizeLimit {
public:
    explicit CFileSizeLimit(rlim_t bytes);
    ~CFileSizeLimit();
    CFileSizeLimit(const CFileSizeLimit&) = delete;
    CFileSizeLimit& operator=(const CFileSizeLimit&) = delete;

private:
    rlimit m_previous{};
    void (*m_previousHandler)(int) = SIG_DFL;
};

// Makes a FIFO at path; false when it can't.
bool MakeFifo(const QString& path);
