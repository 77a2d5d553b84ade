// The code of the reply expected next, stored by every sending button and acted on by the
// receive handler and the tick of Timer2.
#pragma once

enum class RecvMode : int {
    Idle = 0,         // nothing expected: received data is dropped
    ShowSystem = 100, // answer to a system write, "PPPPPP#VAR#" or the PCBSN write: shown only
    ShowSlot = 106,   // answer to a slot command or header write: shown only
    QX1 = 201,        // answer to "PPPPPP#QX1#": parsed into the page of system settings
    COMR = 1501,      // answer to "PPPPPP#COMRnn#": parsed into one slot's enable and command
    COMP = 1502,      // answer to "PPPPPP#COMPnn#": parsed into one slot's header bytes
};

// What the receive handler does with a batch under a given RecvMode. Any value other than the
// six above behaves as Idle.
enum class BatchAction {
    Drop,              // RecvText, Memo8 and Timer2 unchanged
    StoreShowTimerOff, // replace RecvText and Memo8, switch Timer2 off
    StoreShowTimerOn,  // replace RecvText and Memo8, switch Timer2 on
};

constexpr BatchAction BatchActionFor(RecvMode mode) {
    switch (mode) {
    case RecvMode::QX1:
    case RecvMode::COMR:
    case RecvMode::COMP:
        return BatchAction::StoreShowTimerOn;
    case RecvMode::ShowSystem:
    case RecvMode::ShowSlot:
        return BatchAction::StoreShowTimerOff;
    default:
        return BatchAction::Drop;
    }
}

// True for the three codes whose reply is parsed on the tick.
constexpr bool IsParsedMode(RecvMode mode) {
    return BatchActionFor(mode) == BatchAction::StoreShowTimerOn;
}
