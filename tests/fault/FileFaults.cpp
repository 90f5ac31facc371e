#include "FileFaults.h"

#include <QFile>

#include <sys/fsuid.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr uid_t kNobody = 65534;

} // namespace

CRestricted::CRestricted(const QString& path, QFileDevice::Permissions permissions)
    : m_strPath(path), m_previous(QFile::permissions(path)) {
    QFile::setPermissions(path, permissions);
    if (::geteuid() == 0)
        m_nPreviousUser = ::setfsuid(kNobody);
}

CRestricted::~CRestricted() {
    if (m_nPreviousUser >= 0)
        ::setfsuid(static_cast<uid_t>(m_nPreviousUser));
    QFile::setPermissions(m_strPath, m_previous);
}

CFileSizeLimit::CFileSizeLimit(rlim_t bytes) {
    ::getrlimit(RLIMIT_FSIZE, &m_previous);
    m_previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    // Only the soft limit is lowered, so that it can be raised again without privileges.
    rlimit limit = m_previous;
    limit.rlim_cur = bytes;
    ::setrlimit(RLIMIT_FSIZE, &limit);
}

CFileSizeLimit::~CFileSizeLimit() {
    ::setrlimit(RLIMIT_FSIZE, &m_previous);
    std::signal(SIGXFSZ, m_previousHandler);
}

bool MakeFifo(const QString& path) {
    return ::mkfifo(QFile::encodeName(path).constData(), 0644) == 0;
}
