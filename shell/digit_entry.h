#pragma once

namespace shell {

// Typing a drawing state: one digit up to 10 states, above that a leading 0 or 1 waits for a
// second digit.
struct DigitEntry {
    int pending = -1;

    struct Result {
        bool refused = false;
        int state = -1;  // the selected state, or -1 while a first digit waits
    };
    Result Enter(int digit, int stateCount);
    void Clear() { pending = -1; }
};

}  // namespace shell
