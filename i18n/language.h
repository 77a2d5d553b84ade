// The language the tool speaks: Chinese, its own (the texts in the sources), or English (their
// translation). Frames, answers and whatever the device sends or is sent never pass through it.
#pragma once

#include <QString>
#include <QStringList>
#include <QStringView>
#include <optional>
#include <span>

enum class TLanguage { Chinese, English };

// Sets the application's texts in `language`: the tool's own and Qt's (dialog buttons, context
// menus). Every widget is sent a LanguageChange event when a translation comes or goes.
// Needs a QCoreApplication.
void UseLanguage(TLanguage language);
TLanguage CurrentLanguage();

// Texts marked with QT_TRANSLATE_NOOP(context, ...) (a list of headings or items), each in the
// language now installed.
QStringList Translated(const char* context, std::span<const char* const> sources);

// "zh" or "en" (any case; "zh_CN", "en_GB" and the like too); nothing for another name.
std::optional<TLanguage> LanguageNamed(QStringView name);
QString LanguageName(TLanguage language); // "zh" or "en"

// The language the window was last set to speak (the window's settings, "language"); nothing
// when it was never chosen or the setting names no language.
std::optional<TLanguage> SavedWindowLanguage();
void SaveWindowLanguage(TLanguage language);
