// The counter file on Windows: the same file, locked with LockFileEx.
#include "cli/counter_file.h"

#include "cli/commands.h"

#include <windows.h>

namespace {

[[noreturn]] void Fail(const QString& path, const char* what) {
    throw EBadValue(QStringLiteral("%1: cannot %2 (Windows error %3)")
                        .arg(path, what)
                        .arg(GetLastError())
                        .toStdString());
}

HANDLE Handle(void* handle) { return static_cast<HANDLE>(handle); }

} // namespace

TCounterFile::TCounterFile(const QString& path) : path_(path) {
    HANDLE file = CreateFileW(reinterpret_cast<const wchar_t*>(path.utf16()),
                              GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) Fail(path, "open the counter file");
    handle_ = file;
    auto failClosing = [&](const char* what) {
        const DWORD error = GetLastError();
        CloseHandle(file);
        handle_ = nullptr;
        SetLastError(error);
        Fail(path, what);
    };
    OVERLAPPED whole{}; // the lock covers the whole file, from offset 0
    if (!LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK, 0, MAXDWORD, MAXDWORD, &whole))
        failClosing("lock the counter file");
    QByteArray text;
    char buffer[256];
    DWORD n = 0;
    do {
        if (!ReadFile(file, buffer, sizeof buffer, &n, nullptr))
            failClosing("read the counter file");
        text.append(buffer, qsizetype(n));
    } while (n > 0 && text.size() < 4096);
    value_ = QString::fromLatin1(text).trimmed();
}

TCounterFile::~TCounterFile() {
    if (handle_) CloseHandle(Handle(handle_)); // also releases the lock
}

void TCounterFile::Store(const QString& value) {
    const QByteArray text = value.toLatin1() + '\n';
    HANDLE file = Handle(handle_);
    DWORD written = 0;
    if (SetFilePointer(file, 0, nullptr, FILE_BEGIN) == INVALID_SET_FILE_POINTER ||
        !SetEndOfFile(file) ||
        !WriteFile(file, text.constData(), DWORD(text.size()), &written, nullptr) ||
        written != DWORD(text.size()) || !FlushFileBuffers(file))
        Fail(path_, "write the counter file");
    value_ = value;
}
