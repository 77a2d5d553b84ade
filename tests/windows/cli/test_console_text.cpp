// What the command line prints on Windows: Chinese text on a console whose code page cannot
// show it (the console's own characters read back), and UTF-8 bytes to a pipe.
#include "cli/console_text.h"

#include <QTest>
#include <fcntl.h>
#include <io.h>
#include <windows.h>

namespace {

const QString kText = QStringLiteral("设备 COM9 不存在。");

// A stdio stream writing to a Windows handle; closing it closes the handle.
std::FILE* StreamOf(HANDLE handle) {
    const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_WRONLY | _O_BINARY);
    return fd < 0 ? nullptr : _fdopen(fd, "wb");
}

// The characters of the console's row `row`, from its first column.
QString ConsoleRow(HANDLE console, SHORT row, int length) {
    std::wstring chars(size_t(length), L' ');
    DWORD read = 0;
    if (!ReadConsoleOutputCharacterW(console, chars.data(), DWORD(length), {0, row}, &read))
        return QStringLiteral("(ReadConsoleOutputCharacterW failed: %1)").arg(GetLastError());
    return QString::fromWCharArray(chars.data(), int(read));
}

} // namespace

class ConsoleTextTest : public QObject {
    Q_OBJECT
private slots:
    void pipeGetsUtf8();
    void consoleShowsChineseWhateverItsCodePage();
};

void ConsoleTextTest::pipeGetsUtf8() {
    HANDLE readEnd = nullptr, writeEnd = nullptr;
    QVERIFY(CreatePipe(&readEnd, &writeEnd, nullptr, 0));
    std::FILE* stream = StreamOf(writeEnd);
    QVERIFY(stream);
    WriteText(stream, kText + u'\n');
    WriteUtf8(stream, "{\"station\":\"工位一\"}\n");
    std::fclose(stream);
    QByteArray got(256, '\0');
    DWORD n = 0;
    QVERIFY(ReadFile(readEnd, got.data(), DWORD(got.size()), &n, nullptr));
    CloseHandle(readEnd);
    got.truncate(qsizetype(n));
    QCOMPARE(got, (kText + u'\n').toUtf8() + QByteArray("{\"station\":\"工位一\"}\n"));
}

void ConsoleTextTest::consoleShowsChineseWhateverItsCodePage() {
    FreeConsole();
    QVERIFY2(AllocConsole(), qPrintable(QString::number(GetLastError())));
    QVERIFY(SetConsoleOutputCP(437)); // a code page without Chinese
    HANDLE console =
        CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                    nullptr, OPEN_EXISTING, 0, nullptr);
    QVERIFY(console != INVALID_HANDLE_VALUE);
    HANDLE writeHandle = nullptr;
    QVERIFY(DuplicateHandle(GetCurrentProcess(), console, GetCurrentProcess(), &writeHandle, 0,
                            FALSE, DUPLICATE_SAME_ACCESS));
    CONSOLE_SCREEN_BUFFER_INFO before{};
    QVERIFY(GetConsoleScreenBufferInfo(console, &before));
    std::FILE* stream = StreamOf(writeHandle);
    QVERIFY(stream);
    WriteText(stream, kText);
    WriteUtf8(stream, QByteArray("\n工位一"));
    std::fclose(stream);
    QCOMPARE(ConsoleRow(console, before.dwCursorPosition.Y, int(kText.size())), kText);
    QCOMPARE(ConsoleRow(console, SHORT(before.dwCursorPosition.Y + 1), 3),
             QStringLiteral("工位一"));
    CloseHandle(console);
    FreeConsole();
}

QTEST_GUILESS_MAIN(ConsoleTextTest)
#include "test_console_text.moc"
