#pragma once

#include <QChar>
#include <QObject>
#include <QString>
#include <functional>

class QLineEdit;

// Hex-digit filter of the command-code and header-byte fields: "0"-"9", "A"-"F" and
// backspace pass; every other character becomes the null character.
void HexDigitFilter(QChar& Key);

// Three-digit filter of the time fields: digits and backspace only, and a digit only
// while the field's whole text is at most two characters long.
void ThreeDigitFilter(QChar& Key, const QString& fieldText);

// The character a key press types, as a keyboard delivers it to a field: Ctrl+letter
// gives its control character (Ctrl+V gives 22), and keys that type nothing (Delete,
// arrows, Home, End, ...) give the null character.
QChar TypedCharacter(int key, Qt::KeyboardModifiers modifiers, const QString& text);

// A per-field key hook: sees each typed character before the field inserts it and
// passes it to the handler, which may replace it with the null character to cancel
// the keystroke. Keys that type no character never reach the handler.
class KeyPressHook : public QObject {
    Q_OBJECT
public:
    using Handler = std::function<void(QChar& Key)>;
    KeyPressHook(QLineEdit* field, Handler handler);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QLineEdit* field_;
    Handler handler_;
};
