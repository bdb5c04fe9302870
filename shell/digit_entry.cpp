#include "shell/digit_entry.h"

namespace shell {

DigitEntry::Result DigitEntry::Enter(int digit, int stateCount) {
    if (digit < 0 || digit > 9) return {true, -1};
    if (stateCount <= 10) {
        pending = -1;
        if (digit >= stateCount) return {true, -1};
        return {false, digit};
    }
    if (pending >= 0) {
        const int value = 10 * pending + digit;
        pending = -1;
        if (value >= stateCount) return {true, -1};
        return {false, value};
    }
    if (digit <= 1) {
        pending = digit;
        return {false, -1};
    }
    return {false, digit};
}

}  // namespace shell
