#include "i18n/language.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QSettings>
#include <QTranslator>

namespace {

TLanguage current = TLanguage::Chinese;

// One translator for the tool's texts and one for Qt's, owned by the application; empty (not
// installed) while unused.
QTranslator* Translator(const char* name) {
    QCoreApplication* app = QCoreApplication::instance();
    auto* found =
        app->findChild<QTranslator*>(QString::fromLatin1(name), Qt::FindDirectChildrenOnly);
    if (found) return found;
    auto* made = new QTranslator(app);
    made->setObjectName(QString::fromLatin1(name));
    return made;
}

void Install(QTranslator* translator, bool wanted) {
    QCoreApplication::removeTranslator(translator);
    if (wanted && !translator->isEmpty()) QCoreApplication::installTranslator(translator);
}

// Qt's own texts: Chinese from Debian's translations, installed or (on Windows) in the program
// (English without them); English is Qt's source language.
void UseToolkitTexts(TLanguage language) {
    QTranslator* qt = Translator("vq830-qt-texts");
    if (language == TLanguage::Chinese && qt->isEmpty() &&
        !qt->load(QLocale(QLocale::Chinese, QLocale::China), QStringLiteral("qtbase"),
                  QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        (void)qt->load(QStringLiteral(":/i18n/qtbase_zh_CN.qm"));
    Install(qt, language == TLanguage::Chinese);
}

void UseToolTexts(TLanguage language) {
    QTranslator* own = Translator("vq830-texts");
    if (language == TLanguage::English && own->isEmpty())
        (void)own->load(QStringLiteral(":/i18n/vq830_en.qm"));
    Install(own, language == TLanguage::English);
}

} // namespace

void UseLanguage(TLanguage language) {
    UseToolkitTexts(language);
    UseToolTexts(language);
    current = language;
}

TLanguage CurrentLanguage() { return current; }

QStringList Translated(const char* context, std::span<const char* const> sources) {
    QStringList texts;
    for (const char* source : sources)
        texts << QCoreApplication::translate(context, source);
    return texts;
}

std::optional<TLanguage> LanguageNamed(QStringView name) {
    const QString lower = name.toString().toLower();
    if (lower == u"zh" || lower.startsWith(u"zh_") || lower.startsWith(u"zh-"))
        return TLanguage::Chinese;
    if (lower == u"en" || lower.startsWith(u"en_") || lower.startsWith(u"en-"))
        return TLanguage::English;
    return std::nullopt;
}

QString LanguageName(TLanguage language) {
    return language == TLanguage::English ? QStringLiteral("en") : QStringLiteral("zh");
}

namespace {

QSettings WindowSettings() {
    return QSettings(QStringLiteral("vq830"), QStringLiteral("vq830-tool"));
}

} // namespace

std::optional<TLanguage> SavedWindowLanguage() {
    return LanguageNamed(WindowSettings().value(QStringLiteral("language")).toString());
}

void SaveWindowLanguage(TLanguage language) {
    WindowSettings().setValue(QStringLiteral("language"), LanguageName(language));
}
