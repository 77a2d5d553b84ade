// What the window's two source files share: how a button is made, the slot buttons, and the
// handler of each button.
#pragma once

#include "ui/main_window.h"

#include <QString>
#include <array>
#include <map>

class QPushButton;
class QWidget;

QPushButton* MakeButton(QWidget* parent, int number, const QString& caption, int x, int y,
                        int w = 57, int h = 23);

// The buttons of a read-command slot.
struct TSlotButtons {
    int cmdQuery;
    int cmdWrite;
    int hdrQuery;
    int hdrWrite;
};
// Slots 1..9 in order (SlotButtons()[s - 1] is slot s).
const std::array<TSlotButtons, 9>& SlotButtons();

// The names of a slot's three header bytes and of the three times, as their captions show
// them (without the colon).
const std::array<QString, 3>& HeaderByteCaptions();
const std::array<QString, 3>& TimeCaptions();

// The click handler of every button but "打开串口", by button number.
const std::map<int, TForm1::Click>& ClickHandlers();
