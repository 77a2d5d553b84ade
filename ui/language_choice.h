// The "中文 / English" choice at the window's top right: the language the window speaks,
// switched at once (every open window and dialog follows) and remembered for the next start.
#pragma once

#include <QObject>

class QComboBox;

class TLanguageChoice : public QObject {
    Q_OBJECT
public:
    TLanguageChoice(QComboBox* choice, QObject* parent);
    // The choice shows the language the window speaks now.
    void ShowCurrent();

private:
    QComboBox* choice_;
};

// The choice itself: each language named in its own words, whatever the window speaks.
QComboBox* MakeLanguageChoice(QWidget* parent);
