#include "ui/input_filters.h"

#include <QKeyEvent>
#include <QLineEdit>

void HexDigitFilter(QChar& Key) {
    const char16_t c = Key.unicode();
    const bool pass = (c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'F') || c == 8;
    if (!pass) Key = QChar(0);
}

void ThreeDigitFilter(QChar& Key, const QString& fieldText) {
    const char16_t c = Key.unicode();
    if (!((c >= u'0' && c <= u'9') || c == 8)) {
        Key = QChar(0);
        return;
    }
    if (fieldText.size() > 2 && c != 8) Key = QChar(0);
}

QChar TypedCharacter(int key, Qt::KeyboardModifiers modifiers, const QString& text) {
    switch (key) {
    case Qt::Key_Delete:
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_Home:
    case Qt::Key_End:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
    case Qt::Key_Insert:
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        return QChar(0);
    case Qt::Key_Backspace:
        return QChar(8);
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return QChar(13);
    case Qt::Key_Escape:
        return QChar(27);
    default:
        break;
    }
    if ((modifiers & Qt::ControlModifier) && !(modifiers & Qt::AltModifier) && key >= Qt::Key_A &&
        key <= Qt::Key_Z)
        return QChar(char16_t(key - Qt::Key_A + 1));
    if (text.isEmpty()) return QChar(0);
    return text.front();
}

KeyPressHook::KeyPressHook(QLineEdit* field, Handler handler)
    : QObject(field), field_(field), handler_(std::move(handler)) {
    field_->installEventFilter(this);
    // Text typed through an input method would bypass the hook.
    field_->setAttribute(Qt::WA_InputMethodEnabled, false);
}

bool KeyPressHook::eventFilter(QObject* watched, QEvent* event) {
    if (watched != field_ || event->type() != QEvent::KeyPress) return false;
    auto* keyEvent = static_cast<QKeyEvent*>(event);
    QChar key = TypedCharacter(keyEvent->key(), keyEvent->modifiers(), keyEvent->text());
    if (key.isNull()) return false; // types no character: never filtered
    if (keyEvent->text().size() > 1 && !(keyEvent->modifiers() & Qt::ControlModifier)) {
        // Several characters in one event (a compose sequence): filter each, insert
        // what passes.
        QString accepted;
        for (QChar c : keyEvent->text()) {
            handler_(c);
            if (!c.isNull()) accepted += c;
        }
        if (!accepted.isEmpty()) field_->insert(accepted);
        return true;
    }
    handler_(key);
    return key.isNull();
}
