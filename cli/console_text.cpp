#include "cli/console_text.h"

#include <algorithm>

#ifdef _WIN32
#include <io.h>
#include <windows.h>
#endif

namespace {

// An empty view may have no data at all: nothing to write then.
void WriteBytes(std::FILE* stream, QByteArrayView bytes) {
    if (bytes.isEmpty()) return;
    std::fwrite(bytes.data(), 1, size_t(bytes.size()), stream);
}

#ifdef _WIN32
// The console behind the stream, if it is one.
HANDLE ConsoleOf(std::FILE* stream) {
    const auto handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream)));
    DWORD mode = 0;
    if (handle == INVALID_HANDLE_VALUE || !GetConsoleMode(handle, &mode)) return nullptr;
    return handle;
}

// Written in pieces: a console takes a limited amount at a time.
void ToConsole(HANDLE console, std::FILE* stream, const QString& text) {
    std::fflush(stream); // what stdio holds goes first
    const auto* wide = reinterpret_cast<const wchar_t*>(text.utf16());
    qsizetype left = text.size();
    while (left > 0) {
        DWORD written = 0;
        const DWORD chunk = DWORD(std::min<qsizetype>(left, 8192));
        if (!WriteConsoleW(console, wide, chunk, &written, nullptr) || written == 0) return;
        wide += written;
        left -= qsizetype(written);
    }
}
#endif

} // namespace

void WriteText(std::FILE* stream, const QString& text) {
#ifdef _WIN32
    if (HANDLE console = ConsoleOf(stream)) return ToConsole(console, stream, text);
    WriteBytes(stream, text.toUtf8());
#else
    WriteBytes(stream, text.toLocal8Bit());
#endif
}

void WriteUtf8(std::FILE* stream, QByteArrayView utf8) {
#ifdef _WIN32
    if (HANDLE console = ConsoleOf(stream))
        return ToConsole(console, stream, QString::fromUtf8(utf8));
#endif
    WriteBytes(stream, utf8);
}
