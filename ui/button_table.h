// Every button of the window in one table: its number (its object name is "Button<number>"),
// what it does, the read-command slot it belongs to, and its click handler. The table is
// TForm1's (ui/main_window_buttons.cpp); the layout is handed it to number the slot buttons.
#pragma once

#include <algorithm>
#include <vector>

class QChar;
class TForm1;

enum class ButtonRole {
    Port,             // "打开串口" / "关闭串口"
    Send,             // sends one frame of the system page, the record box or "通讯查询"
    SlotCommandQuery, // a slot's "查询" of its command
    SlotCommandWrite, // a slot's "设置" of its command
    SlotHeaderQuery,  // a slot's "查询" of its header bytes
    SlotHeaderWrite,  // a slot's "设置" of its header bytes
    Batch,            // read all, write all
    ConfigFile,       // save and load a configuration
    Find,             // "查找设备": searches the ports for the device, the window's port let go
    LineSerial,       // "下一个序列号": the line's next serial number onto the board
    Local,            // acts in the window only, never on the port
};

struct TButtonEntry {
    int number;
    ButtonRole role;
    int slot; // 1..9 for a slot's buttons, else 0
    void (TForm1::*click)();
};

const std::vector<TButtonEntry>& ButtonTable();

// The number of the slot button with this role; 0 when the table has none.
inline int SlotButtonNumber(const std::vector<TButtonEntry>& table, ButtonRole role, int slot) {
    const auto it = std::find_if(table.begin(), table.end(), [&](const TButtonEntry& b) {
        return b.role == role && b.slot == slot;
    });
    return it == table.end() ? 0 : it->number;
}

// Every field whose keys are filtered, by object name, with its key-press handler.
struct TKeyPressEntry {
    const char* field;
    void (TForm1::*keyPress)(QChar& Key);
};

const std::vector<TKeyPressEntry>& KeyPressTable();

// Buttons that reach the port or the settings are disabled while read all or write all runs;
// "打开串口", "清除缓冲区" and "通讯记录" stay usable.
inline bool IdleOnly(ButtonRole role) {
    return role != ButtonRole::Port && role != ButtonRole::Local;
}
