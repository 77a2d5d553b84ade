// The main window. Its controls are made in ui/form_layout.cpp and held in `ui`; each job
// around them is a part of its own (the status line, the port link, the settings binding, the
// reply intake of the single buttons, read all and write all, configuration files, the device
// search, the production line's records), and the handlers named after the controls are short
// calls into those parts.
#pragma once

#include "ui/button_table.h"
#include "ui/form_controls.h"

#include <QChar>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

class QLineEdit;
class TBatchController;
class TComm;
class TConfigFileActions;
class TDeviceSearch;
class TLanguageChoice;
class TLineStation;
class TPortLink;
class TRecordsDialog;
class TReplyIntake;
class TSerialWrites;
class TSettingsBinding;
class TStatusLine;

class TForm1 : public QWidget {
    Q_OBJECT
public:
    explicit TForm1(QWidget* parent = nullptr);
    ~TForm1() override;

    Ui::Form1 ui;

protected:
    // The language changed: every caption, item list and message shown is set again.
    void changeEvent(QEvent* event) override;

private:
    friend const std::vector<TButtonEntry>& ButtonTable();
    friend const std::vector<TKeyPressEntry>& KeyPressTable();

    // Handlers.
    void FormCreate();
    void Button1Click();
    void Button26Click();
    void Button5Click();
    void Button6Click();
    void Button7Click();
    void Button8Click();
    void Button9Click();
    void Button10Click();
    void Button11Click();
    void Button12Click();
    void Button13Click();
    void Button14Click();
    void Button15Click();
    void Button16Click();
    void Button17Click();
    void Button18Click();
    void Button19Click();
    void Button20Click();
    void Button21Click();
    void Button22Click();
    void Button24Click();
    void Button25Click();
    void Button27Click();
    void Button28Click();
    void Button29Click();
    void Button30Click();
    void Button31Click();
    void Button32Click();
    void Button33Click();
    void Button34Click();
    void Button35Click();
    void Button36Click();
    void Button37Click();
    void Button38Click();
    void Button39Click();
    void Button40Click();
    void Button41Click();
    void Button42Click();
    void Button43Click();
    void Button44Click();
    void Button45Click();
    void Button46Click();
    void Button47Click();
    void Button48Click();
    void Button49Click();
    void Button50Click();
    void Button51Click();
    void Button52Click();
    void Button53Click();
    void Button54Click();
    void Button55Click();
    void Button56Click();
    void Button57Click();
    void Button58Click();
    void Button59Click();
    void Button60Click();
    void Button61Click();

    void COMA1KeyPress(QChar& Key);
    void COMA2KeyPress(QChar& Key);
    void COMA3KeyPress(QChar& Key);
    void COMA4KeyPress(QChar& Key);
    void COMA5KeyPress(QChar& Key);
    void COMA6KeyPress(QChar& Key);
    void COMA7KeyPress(QChar& Key);
    void COMA8KeyPress(QChar& Key);
    void COMA9KeyPress(QChar& Key);
    void COMBY11KeyPress(QChar& Key);
    void COMBY12KeyPress(QChar& Key);
    void COMBY13KeyPress(QChar& Key);
    void COMBY21KeyPress(QChar& Key);
    void COMBY22KeyPress(QChar& Key);
    void COMBY23KeyPress(QChar& Key);
    void COMBY31KeyPress(QChar& Key);
    void COMBY32KeyPress(QChar& Key);
    void COMBY33KeyPress(QChar& Key);
    void COMBY41KeyPress(QChar& Key);
    void COMBY42KeyPress(QChar& Key);
    void COMBY43KeyPress(QChar& Key);
    void COMBY51KeyPress(QChar& Key);
    void COMBY52KeyPress(QChar& Key);
    void COMBY53KeyPress(QChar& Key);
    void COMBY61KeyPress(QChar& Key);
    void COMBY62KeyPress(QChar& Key);
    void COMBY63KeyPress(QChar& Key);
    void COMBY71KeyPress(QChar& Key);
    void COMBY72KeyPress(QChar& Key);
    void COMBY73KeyPress(QChar& Key);
    void COMBY81KeyPress(QChar& Key);
    void COMBY82KeyPress(QChar& Key);
    void COMBY83KeyPress(QChar& Key);
    void COMBY91KeyPress(QChar& Key);
    void COMBY92KeyPress(QChar& Key);
    void COMBY93KeyPress(QChar& Key);
    void Edit1KeyPress(QChar& Key);
    void Edit2KeyPress(QChar& Key);
    void Edit3KeyPress(QChar& Key);

    void Comm1ReceiveData(TComm& Sender, const uint8_t* Buffer, uint16_t BufferLength);
    void Comm1RequestHangup(TComm& Sender);
    void Comm1ReceiveError(TComm& Sender, uint32_t EventMask);
    void Timer2Timer();

    void WireHandlers();
    void WireLineRecords();
    void WirePortEvents();
    void Run(const std::function<void()>& handler);
    void PortButtonClicked();

    // The frames of the sending buttons, built from the settings the window shows.
    void SendPortSettings(int port, TComboBox* baud, TComboBox* parity, TComboBox* stop);
    void SendTime(int time, QLineEdit* field);
    void SlotCommandQuery(int slot);
    void SlotCommandWrite(int slot);
    void SlotHeaderQuery(int slot);
    void SlotHeaderWrite(int slot);
    void NoteUnlisted(std::initializer_list<const TComboBox*> combos);

    TStatusLine* Status;
    TSettingsBinding* Binding;
    TReplyIntake* Intake;
    TPortLink* Link;
    TBatchController* Batches;
    TConfigFileActions* ConfigFiles;
    TDeviceSearch* Search;
    TLineStation* Line;
    TSerialWrites* Serials;
    TRecordsDialog* Records = nullptr; // made on first use
    TLanguageChoice* Languages;
};
