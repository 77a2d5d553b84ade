#include "ui/language_choice.h"

#include "i18n/language.h"

#include <QComboBox>
#include <QSignalBlocker>

namespace {

constexpr TLanguage kLanguages[] = {TLanguage::Chinese, TLanguage::English};

} // namespace

void TLanguageChoice::ShowCurrent() {
    const QSignalBlocker quiet(choice_);
    choice_->setCurrentIndex(CurrentLanguage() == TLanguage::English ? 1 : 0);
}

QComboBox* MakeLanguageChoice(QWidget* parent) {
    auto* choice = new QComboBox(parent);
    choice->setObjectName(QStringLiteral("Language"));
    choice->addItems({QStringLiteral("中文"), QStringLiteral("English")});
    choice->setGeometry(662, 10, 81, 21);
    return choice;
}

TLanguageChoice::TLanguageChoice(QComboBox* choice, QObject* parent)
    : QObject(parent), choice_(choice) {
    ShowCurrent();
    connect(choice_, &QComboBox::activated, this, [](int index) {
        if (index < 0) return;
        UseLanguage(kLanguages[index]);
        SaveWindowLanguage(kLanguages[index]);
    });
}
