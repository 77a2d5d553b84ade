// The counter file of `serial --next`: one decimal number, the next board serial number. It is
// locked (flock, exclusive; on Windows LockFileEx) from opening until the object goes away, so
// that two stations sharing the file never take the same number: the second waits for the
// first.
#pragma once

#include <QString>

class TCounterFile {
public:
    // Opens and locks the file; throws EBadValue when it cannot be opened or read.
    explicit TCounterFile(const QString& path);
    ~TCounterFile();
    TCounterFile(const TCounterFile&) = delete;
    TCounterFile& operator=(const TCounterFile&) = delete;

    // The number in the file, as written there (blanks around it dropped).
    QString Value() const { return value_; }
    // Replaces the number, on disk before it returns. Throws EBadValue on failure.
    void Store(const QString& value);

private:
    QString path_;
#ifdef _WIN32
    void* handle_ = nullptr; // the file's HANDLE
#else
    int fd_ = -1;
#endif
    QString value_;
};
