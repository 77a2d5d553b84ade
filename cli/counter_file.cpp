#include "cli/counter_file.h"

#include "cli/commands.h"

#include <QFile>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace {

[[noreturn]] void Fail(const QString& path, const char* what) {
    throw EBadValue(QStringLiteral("%1: cannot %2 (%3)")
                        .arg(path, what, QString::fromLocal8Bit(std::strerror(errno)))
                        .toStdString());
}

} // namespace

TCounterFile::TCounterFile(const QString& path) : path_(path) {
    fd_ = ::open(QFile::encodeName(path).constData(), O_RDWR | O_CLOEXEC);
    if (fd_ < 0) Fail(path, "open the counter file");
    if (::flock(fd_, LOCK_EX) != 0) Fail(path, "lock the counter file");
    QByteArray text;
    char buffer[256];
    ssize_t n = 0;
    while ((n = ::read(fd_, buffer, sizeof buffer)) > 0 && text.size() < 4096)
        text.append(buffer, n);
    if (n < 0) Fail(path, "read the counter file");
    value_ = QString::fromLatin1(text).trimmed();
}

TCounterFile::~TCounterFile() {
    if (fd_ >= 0) ::close(fd_); // also releases the lock
}

void TCounterFile::Store(const QString& value) {
    const QByteArray text = value.toLatin1() + '\n';
    if (::ftruncate(fd_, 0) != 0 ||
        ::pwrite(fd_, text.constData(), size_t(text.size()), 0) != text.size() || ::fsync(fd_) != 0)
        Fail(path_, "write the counter file");
    value_ = value;
}
