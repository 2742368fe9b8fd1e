// The ids of the main window's keys and of its window timer. The end-to-end tests find the keys
// by these ids too, so this header holds constants only and includes nothing.
#pragma once

constexpr int first_digit_id = 400;
// Digit keys are 4 ids apart: the key of digit d is 400 + 4 * d.
constexpr int digit_button_id(int digit) {
    return first_digit_id + 4 * digit;
}
constexpr int start_button_id = 410;

// The countdown's window timer on the main window (WM_TIMER, 1 ms period while running).
constexpr unsigned TIMER_ID = 411;
