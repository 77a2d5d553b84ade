// The window's buttons, one row each: number, role, slot and click handler; and the fields
// whose keys are filtered, with their key-press handlers.
#include "ui/button_table.h"
#include "ui/main_window.h"

const std::vector<TButtonEntry>& ButtonTable() {
    using R = ButtonRole;
    using F = TForm1;
    static const std::vector<TButtonEntry> table{
        {1, R::Port, 0, &F::Button1Click},
        {6, R::Send, 0, &F::Button6Click},
        {24, R::Send, 0, &F::Button24Click},
        {9, R::Send, 0, &F::Button9Click},
        {8, R::Send, 0, &F::Button8Click},
        {10, R::Send, 0, &F::Button10Click},
        {48, R::Send, 0, &F::Button48Click},
        {50, R::Send, 0, &F::Button50Click},
        {51, R::Send, 0, &F::Button51Click},
        {52, R::Send, 0, &F::Button52Click},
        {49, R::Send, 0, &F::Button49Click},
        {53, R::Send, 0, &F::Button53Click},
        {26, R::Local, 0, &F::Button26Click},
        {54, R::Local, 0, &F::Button54Click},
        {55, R::Batch, 0, &F::Button55Click},
        {56, R::Batch, 0, &F::Button56Click},
        {57, R::ConfigFile, 0, &F::Button57Click},
        {58, R::ConfigFile, 0, &F::Button58Click},
        {59, R::Find, 0, &F::Button59Click},
        {11, R::SlotCommandQuery, 1, &F::Button11Click},
        {12, R::SlotCommandWrite, 1, &F::Button12Click},
        {13, R::SlotHeaderQuery, 1, &F::Button13Click},
        {14, R::SlotHeaderWrite, 1, &F::Button14Click},
        {15, R::SlotCommandQuery, 2, &F::Button15Click},
        {16, R::SlotCommandWrite, 2, &F::Button16Click},
        {17, R::SlotHeaderQuery, 2, &F::Button17Click},
        {18, R::SlotHeaderWrite, 2, &F::Button18Click},
        {19, R::SlotCommandQuery, 3, &F::Button19Click},
        {20, R::SlotCommandWrite, 3, &F::Button20Click},
        {21, R::SlotHeaderQuery, 3, &F::Button21Click},
        {22, R::SlotHeaderWrite, 3, &F::Button22Click},
        {27, R::SlotCommandQuery, 4, &F::Button27Click},
        {5, R::SlotCommandWrite, 4, &F::Button5Click},
        {7, R::SlotHeaderQuery, 4, &F::Button7Click},
        {25, R::SlotHeaderWrite, 4, &F::Button25Click},
        {28, R::SlotCommandQuery, 5, &F::Button28Click},
        {29, R::SlotCommandWrite, 5, &F::Button29Click},
        {30, R::SlotHeaderQuery, 5, &F::Button30Click},
        {31, R::SlotHeaderWrite, 5, &F::Button31Click},
        {32, R::SlotCommandQuery, 6, &F::Button32Click},
        {33, R::SlotCommandWrite, 6, &F::Button33Click},
        {34, R::SlotHeaderQuery, 6, &F::Button34Click},
        {35, R::SlotHeaderWrite, 6, &F::Button35Click},
        {39, R::SlotCommandQuery, 7, &F::Button39Click},
        {36, R::SlotCommandWrite, 7, &F::Button36Click},
        {37, R::SlotHeaderQuery, 7, &F::Button37Click},
        {38, R::SlotHeaderWrite, 7, &F::Button38Click},
        {40, R::SlotCommandQuery, 8, &F::Button40Click},
        {41, R::SlotCommandWrite, 8, &F::Button41Click},
        {42, R::SlotHeaderQuery, 8, &F::Button42Click},
        {43, R::SlotHeaderWrite, 8, &F::Button43Click},
        {44, R::SlotCommandQuery, 9, &F::Button44Click},
        {45, R::SlotCommandWrite, 9, &F::Button45Click},
        {46, R::SlotHeaderQuery, 9, &F::Button46Click},
        {47, R::SlotHeaderWrite, 9, &F::Button47Click},
    };
    return table;
}

const std::vector<TKeyPressEntry>& KeyPressTable() {
    static const std::vector<TKeyPressEntry> table{
        {"COMA1", &TForm1::COMA1KeyPress},     {"COMA2", &TForm1::COMA2KeyPress},
        {"COMA3", &TForm1::COMA3KeyPress},     {"COMA4", &TForm1::COMA4KeyPress},
        {"COMA5", &TForm1::COMA5KeyPress},     {"COMA6", &TForm1::COMA6KeyPress},
        {"COMA7", &TForm1::COMA7KeyPress},     {"COMA8", &TForm1::COMA8KeyPress},
        {"COMA9", &TForm1::COMA9KeyPress},     {"COMBY11", &TForm1::COMBY11KeyPress},
        {"COMBY12", &TForm1::COMBY12KeyPress}, {"COMBY13", &TForm1::COMBY13KeyPress},
        {"COMBY21", &TForm1::COMBY21KeyPress}, {"COMBY22", &TForm1::COMBY22KeyPress},
        {"COMBY23", &TForm1::COMBY23KeyPress}, {"COMBY31", &TForm1::COMBY31KeyPress},
        {"COMBY32", &TForm1::COMBY32KeyPress}, {"COMBY33", &TForm1::COMBY33KeyPress},
        {"COMBY41", &TForm1::COMBY41KeyPress}, {"COMBY42", &TForm1::COMBY42KeyPress},
        {"COMBY43", &TForm1::COMBY43KeyPress}, {"COMBY51", &TForm1::COMBY51KeyPress},
        {"COMBY52", &TForm1::COMBY52KeyPress}, {"COMBY53", &TForm1::COMBY53KeyPress},
        {"COMBY61", &TForm1::COMBY61KeyPress}, {"COMBY62", &TForm1::COMBY62KeyPress},
        {"COMBY63", &TForm1::COMBY63KeyPress}, {"COMBY71", &TForm1::COMBY71KeyPress},
        {"COMBY72", &TForm1::COMBY72KeyPress}, {"COMBY73", &TForm1::COMBY73KeyPress},
        {"COMBY81", &TForm1::COMBY81KeyPress}, {"COMBY82", &TForm1::COMBY82KeyPress},
        {"COMBY83", &TForm1::COMBY83KeyPress}, {"COMBY91", &TForm1::COMBY91KeyPress},
        {"COMBY92", &TForm1::COMBY92KeyPress}, {"COMBY93", &TForm1::COMBY93KeyPress},
        {"Edit1", &TForm1::Edit1KeyPress},     {"Edit2", &TForm1::Edit2KeyPress},
        {"Edit3", &TForm1::Edit3KeyPress},
    };
    return table;
}
