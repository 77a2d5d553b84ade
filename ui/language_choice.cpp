#include "ui/language_choice.h"

#include "i18n/language.h"

#include <QComboBox>

namespace {

constexpr TLanguage kLanguages[] = {TLanguage::Chinese, TLanguage::English};

} // namespace

QComboBox* MakeLanguageChoice(QWidget* parent) {
    auto* choice = new QComboBox(parent);
    choice->setObjectName(QStringLiteral("Language"));
    choice->addItems({QStringLiteral("中文"), QStringLiteral("English")});
    choice->setGeometry(662, 10, 81, 21);
    return choice;
}

TLanguageChoice::TLanguageChoice(QComboBox* choice, QObject* parent)
    : QObject(parent), choice_(choice) {
    choice_->setCurrentIndex(CurrentLanguage() == TLanguage::English ? 1 : 0);
    connect(choice_, &QComboBox::activated, this, [](int index) {
        if (index < 0) return;
        UseLanguage(kLanguages[index]);
        SaveWindowLanguage(kLanguages[index]);
    });
}
