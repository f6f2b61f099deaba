#include "base/file.h"

#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

TFile::TFile(const QString &fileName, quint32 access, quint32 flagsAndAttributes, quint32 creation,
             quint32 share)
    : m_fileName(fileName), m_access(access), m_flags(flagsAndAttributes), m_creation(creation),
      m_share(share)
{
    Open();
}

TFile::~TFile()
{
    Close();
}

bool TFile::begin()
{
    if (!IsOpen())
        return false;
    m_lastError = 0;
    return true;
}

bool TFile::fail(int error)
{
    m_failed = true;
    m_lastError = static_cast<quint32>(error);
    return false;
}

bool TFile::succeed()
{
    m_failed = false;
    return true;
}

bool TFile::Open()
{
    if (IsOpen())
        return false;
    m_lastError = 0;

    const bool reading = m_access & GenericRead;
    const bool writing = m_access & GenericWrite;
    int flags = O_CLOEXEC;
    if (reading && writing)
        flags |= O_RDWR;
    else if (writing)
        flags |= O_WRONLY;
    else
        flags |= O_RDONLY;
    if (m_flags & FlagWriteThrough)
        flags |= O_DSYNC;

    // The file is emptied only after the share check has let us in, so that a
    // refused "create always" never destroys what another handle holds.
    bool truncate = false;
    switch (m_creation) {
    case CreateNew:
        flags |= O_CREAT | O_EXCL;
        break;
    case CreateAlways:
        flags |= O_CREAT;
        truncate = true;
        break;
    case OpenExisting:
        break;
    case OpenAlways:
        flags |= O_CREAT;
        break;
    case TruncateExisting:
        truncate = true;
        break;
    default:
        return fail(EINVAL);
    }

    const QByteArray path = QFile::encodeName(m_fileName);
    if (path.isEmpty())
        return fail(ENOENT);
    int fd;
    do {
        fd = ::open(path.constData(), flags, 0666);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0)
        return fail(errno);

    // A folder opens under POSIX but never under the original platform.
    struct stat st;
    const int statError = ::fstat(fd, &st) != 0 ? errno : S_ISDIR(st.st_mode) ? EISDIR : 0;
    if (statError != 0) {
        ::close(fd);
        return fail(statError);
    }
    m_handle = fd;
    if (!lockForShareMode()) {
        const int error = errno;
        ::close(fd);
        m_handle = -1;
        return fail(error);
    }

    if (truncate) {
        int rc;
        if (writing) {
            rc = ::ftruncate(fd, 0);
        } else {
            // Read-only access: empty the file through a short-lived second
            // descriptor; our flock stays with our own descriptor.
            const int wfd = ::open(path.constData(), O_WRONLY | O_CLOEXEC);
            rc = wfd < 0 ? -1 : ::ftruncate(wfd, 0);
            const int error = errno;
            if (wfd >= 0)
                ::close(wfd);
            errno = error;
        }
        if (rc != 0) {
            const int error = errno;
            ::close(fd);
            m_handle = -1;
            return fail(error);
        }
    }
    if (m_flags & FlagSequentialScan)
        ::posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
    return succeed();
}

bool TFile::lockForShareMode()
{
    const bool writing = m_access & GenericWrite;
    const bool denyRead = !(m_share & ShareRead);
    const bool denyWrite = !(m_share & ShareWrite);
    int op;
    if (denyRead || (writing && denyWrite))
        op = LOCK_EX;
    else if (writing || denyWrite)
        op = LOCK_SH;
    else
        return true;
    int rc;
    do {
        rc = ::flock(m_handle, op | LOCK_NB);
    } while (rc != 0 && errno == EINTR);
    return rc == 0;
}

bool TFile::Close()
{
    if (!IsOpen())
        return false;
    m_lastError = 0;
    const int rc = ::close(m_handle);
    m_handle = -1;
    return rc == 0 ? succeed() : fail(errno);
}

bool TFile::Read(void *buffer, quint32 count)
{
    if (!begin())
        return false;
    m_transferred = 0;
    char *p = static_cast<char *>(buffer);
    while (m_transferred < count) {
        const ssize_t n = ::read(m_handle, p + m_transferred, count - m_transferred);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return fail(errno);
        }
        if (n == 0)
            break;
        m_transferred += static_cast<quint32>(n);
    }
    m_failed = m_transferred != count;
    return !m_failed;
}

bool TFile::Write(const void *buffer, quint32 count)
{
    if (!begin())
        return false;
    m_transferred = 0;
    const char *p = static_cast<const char *>(buffer);
    while (m_transferred < count) {
        const ssize_t n = ::write(m_handle, p + m_transferred, count - m_transferred);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return fail(errno);
        }
        if (n == 0)
            break;
        m_transferred += static_cast<quint32>(n);
    }
    m_failed = m_transferred != count;
    return !m_failed;
}

bool TFile::Seek(qint64 position)
{
    if (!begin())
        return false;
    return ::lseek(m_handle, position, SEEK_SET) < 0 ? fail(errno) : succeed();
}

qint64 TFile::Position()
{
    if (!begin())
        return 0;
    const off_t pos = ::lseek(m_handle, 0, SEEK_CUR);
    if (pos < 0) {
        fail(errno);
        return -1;
    }
    succeed();
    return pos;
}

qint64 TFile::Size()
{
    if (!begin())
        return 0;
    struct stat st;
    if (::fstat(m_handle, &st) != 0) {
        fail(errno);
        return -1;
    }
    succeed();
    return st.st_size;
}

bool TFile::Truncate()
{
    if (!begin())
        return false;
    const off_t pos = ::lseek(m_handle, 0, SEEK_CUR);
    if (pos < 0)
        return fail(errno);
    int rc;
    do {
        rc = ::ftruncate(m_handle, pos);
    } while (rc != 0 && errno == EINTR);
    return rc == 0 ? succeed() : fail(errno);
}

bool TFile::WriteLine(const QByteArray &text)
{
    if (!IsOpen())
        return false;
    return Write(text.constData(), static_cast<quint32>(text.size())) && Write("\r\n", 2);
}

qint64 TFile::readSome(char *buffer, quint32 count)
{
    ssize_t n;
    do {
        n = ::read(m_handle, buffer, count);
    } while (n < 0 && errno == EINTR);
    return n;
}

quint32 TFile::LineLength(const char *data, quint32 count)
{
    quint32 taken = 0;
    int lineEnds = 0;
    for (; taken < count; ++taken) {
        const char c = data[taken];
        if (c == '\r' || c == '\n') {
            if (++lineEnds > 2)
                break;
        } else if (lineEnds > 0) {
            break;
        }
    }
    return taken;
}

bool TFile::ReadLine(char *buffer, quint32 size)
{
    if (!begin())
        return false;
    m_transferred = 0;
    if (buffer == nullptr || size == 0)
        return fail(EINVAL);
    buffer[0] = '\0';

    const off_t start = ::lseek(m_handle, 0, SEEK_CUR);
    if (start < 0)
        return fail(errno);
    const qint64 got = readSome(buffer, size - 1);
    if (got < 0)
        return fail(errno);
    if (got == 0) {
        m_failed = true; // end of the file
        return false;
    }

    const quint32 taken = LineLength(buffer, static_cast<quint32>(got));
    buffer[taken] = '\0';
    m_transferred = taken;
    if (::lseek(m_handle, start + taken, SEEK_SET) < 0)
        return fail(errno);
    return succeed();
}
