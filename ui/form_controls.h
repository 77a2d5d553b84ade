// The window's controls, made and laid out in one place (ui/form_layout.cpp) and held the way a
// form class generated from a designer file holds them: `ui.Button1` was made by setupUi.
#pragma once

#include <QString>
#include <array>
#include <functional>
#include <vector>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTabWidget;
class QTimer;
class QWidget;
class TComboBox;
class TComm;
class TTrafficLog;
struct TButtonEntry;

// The controls of one read-command slot.
struct TSlotControls {
    QGroupBox* Group = nullptr;
    TComboBox* COMEN = nullptr;
    QLineEdit* COMA = nullptr;
    std::array<QLineEdit*, 3> COMBY{};
    QPushButton* CommandQuery = nullptr;
    QPushButton* CommandWrite = nullptr;
    QPushButton* HeaderQuery = nullptr;
    QPushButton* HeaderWrite = nullptr;
};

namespace Ui {

struct Form1 {
    // Title row.
    QLabel* Label41 = nullptr;
    QLabel* Label2 = nullptr;
    // Port panel.
    QGroupBox* GroupBox1 = nullptr;
    TComboBox* SPREALCOM = nullptr;
    TComboBox* ComboBox1 = nullptr;
    TComboBox* ComboBox2 = nullptr;
    TComboBox* ComboBox3 = nullptr;
    QPushButton* Button1 = nullptr;
    QPushButton* Button6 = nullptr;
    QPushButton* Button59 = nullptr; // "查找设备"
    // Pages.
    QTabWidget* PageControl1 = nullptr;
    QWidget* TabSheet6 = nullptr;
    QWidget* TabSheet2 = nullptr;
    QWidget* TabSheet7 = nullptr;
    QWidget* TabSheet8 = nullptr;
    // Page "系统参数".
    TComboBox* ComboBox7 = nullptr;
    TComboBox *BOADZ = nullptr, *ODDZ = nullptr, *STOPZ = nullptr;
    TComboBox *BOADA = nullptr, *ODDA = nullptr, *STOPA = nullptr;
    TComboBox *BOADB = nullptr, *ODDB = nullptr, *STOPB = nullptr;
    TComboBox *BOADC = nullptr, *ODDC = nullptr, *STOPC = nullptr;
    QLineEdit *Edit1 = nullptr, *Edit2 = nullptr, *Edit3 = nullptr;
    QLabel* Label101 = nullptr;
    QPushButton *Button24 = nullptr, *Button9 = nullptr, *Button8 = nullptr, *Button10 = nullptr,
                *Button48 = nullptr;
    QPushButton *Button50 = nullptr, *Button51 = nullptr, *Button52 = nullptr, *Button49 = nullptr;
    // Read-command slots 1 to 9 (index 0 is slot 1).
    std::array<TSlotControls, 9> Slots;
    // Record box.
    QGroupBox* RecordBox = nullptr;
    QLineEdit* PCBSN = nullptr;
    TComboBox* JIANZHI = nullptr;
    QPushButton* Button53 = nullptr;
    // Under the record box: "下一个序列号", shown only when the production line's database is
    // configured.
    QPushButton* Button60 = nullptr;
    // Beside the record box: read all, write all (verified), save and load a configuration.
    QPushButton *Button55 = nullptr, *Button56 = nullptr, *Button57 = nullptr, *Button58 = nullptr;
    // Line-signal boxes.
    QCheckBox* CheckBox1 = nullptr;
    QCheckBox* CheckBox2 = nullptr;
    // Buffer area.
    QLineEdit* discomm = nullptr;
    QPlainTextEdit* Memo8 = nullptr;
    QPushButton* Button26 = nullptr;
    // "通讯记录": the traffic log, a window of its own.
    QPushButton* Button54 = nullptr;
    TTrafficLog* TrafficLog = nullptr;
    // "生产记录", beside it: the production line's records and the station's settings.
    QPushButton* Button61 = nullptr;
    // Status line along the bottom: what the port and the line did that no box reports.
    QLabel* StatusLine = nullptr;
    // Top right, made last (last in the Tab order): "中文 / English", the window's language.
    QComboBox* Language = nullptr;
    // Non-visual components: the serial port object (its owner in the object tree is named
    // "Comm1") and the reply timer.
    TComm* Comm1 = nullptr;
    QTimer* Timer2 = nullptr;

    // Makes the controls on the window; the buttons are numbered from its button table.
    void setupUi(QWidget* Form1, const std::vector<TButtonEntry>& buttons);
    // Sets every caption and item list that is a word again, in the language now chosen;
    // the values shown stay.
    void retranslateUi();

    // What retranslateUi sets, one entry a text, in the order setupUi made them.
    std::vector<std::function<void()>> Texts;
};

} // namespace Ui

// The names of a slot's three header bytes and of the three times, as their captions show
// them (without the colon): the sources, made in the window's language by FormCaption.
extern const std::array<const char*, 3> kHeaderByteCaptions;
extern const std::array<const char*, 3> kTimeCaptions;
QString FormCaption(const char* source);
