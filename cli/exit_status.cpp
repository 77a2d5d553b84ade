#include "cli/exit_status.h"

int StatusOf(Outcome outcome, bool gone) {
    switch (outcome) {
    case Outcome::Answered:
        return kExitOk;
    case Outcome::Silent:
        return kExitNoAnswer;
    case Outcome::PortGone:
        return kExitGone;
    case Outcome::NotSent:
        return gone ? kExitGone : kExitDiffers;
    default:
        return kExitDiffers;
    }
}

int Worse(int a, int b) {
    auto rank = [](int status) {
        return status == kExitGone ? 3 : status == kExitNoAnswer ? 2 : status == kExitOk ? 0 : 1;
    };
    return rank(b) > rank(a) ? b : a;
}
