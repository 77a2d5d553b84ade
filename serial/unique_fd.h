// Owns one file descriptor and closes it when it goes away, so that every way out of a
// function that opened descriptors (an early return, an exception) leaves none behind.
#pragma once

#include <unistd.h>
#include <utility>

class UniqueFd {
public:
    // How the descriptor is given up; plain close unless said otherwise.
    using Closer = void (*)(int);

    UniqueFd() = default;
    explicit UniqueFd(int fd, Closer closer = &PlainClose) : Fd(fd), Close(closer) {}
    ~UniqueFd() { Reset(); }
    UniqueFd(UniqueFd&& other) noexcept : Fd(std::exchange(other.Fd, -1)), Close(other.Close) {}
    UniqueFd& operator=(UniqueFd&& other) noexcept {
        if (this != &other) {
            Reset();
            Fd = std::exchange(other.Fd, -1);
            Close = other.Close;
        }
        return *this;
    }
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;

    int Get() const { return Fd; }
    // Gives the descriptor up without closing it.
    int Release() { return std::exchange(Fd, -1); }
    bool Valid() const { return Fd >= 0; }
    void Reset() {
        if (Fd >= 0) Close(std::exchange(Fd, -1));
    }

private:
    static void PlainClose(int fd) { ::close(fd); }
    int Fd = -1;
    Closer Close = &PlainClose;
};
