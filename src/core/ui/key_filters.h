#pragma once
// Key filters for edit boxes, wired to the pure filters of the core.

class QLineEdit;

enum class KeyFilter {
    Digits,         // overtype field for fixed-width numbers; backspace passes
    Kana,           // kana keys count as the letters printed on them
    KanaThenDigits  // both, kana first (dates typed with the kana input on)
};

// Installs the filter on the edit box; typed keys and text committed by an
// input method both go through it.
void installKeyFilter(QLineEdit* edit, KeyFilter filter);
