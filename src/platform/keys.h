// Keyboard and mouse codes as the window handlers receive them: Windows virtual-key codes for
// physical keys, shift-state bits, mouse-button codes.
#pragma once

#include <Qt>

class QKeyEvent;

namespace vb {

// Shift-state bits of key and mouse handlers.
enum ShiftBits : int { vbShiftMask = 1, vbCtrlMask = 2, vbAltMask = 4 };
// Mouse buttons: in MouseDown/MouseUp the button pressed, in MouseMove the buttons held.
enum MouseButtons : int { vbLeftButton = 1, vbRightButton = 2, vbMiddleButton = 4 };

// Key codes used by the handlers.
enum KeyCodes : int {
    vbKeyBack = 0x08, vbKeyTab = 0x09, vbKeyReturn = 0x0D, vbKeyShift = 0x10, vbKeyControl = 0x11,
    vbKeyMenu = 0x12, vbKeyEscape = 0x1B, vbKeySpace = 0x20, vbKeyPageUp = 0x21, vbKeyPageDown = 0x22,
    vbKeyEnd = 0x23, vbKeyHome = 0x24, vbKeyLeft = 0x25, vbKeyUp = 0x26, vbKeyRight = 0x27,
    vbKeyDown = 0x28, vbKeyInsert = 0x2D, vbKeyDelete = 0x2E, vbKeyNumpad0 = 0x60, vbKeyF1 = 0x70,
    vbKeyF12 = 0x7B,
};

// The virtual-key code of the physical key of a key event: letters 'A'..'Z' and the digit row
// '0'..'9' whatever the shift state, the keypad told apart (0x60..0x6F), F1..F12 0x70..0x7B,
// punctuation keys as their OEM codes (";" 0xBA ... "'" 0xDE). 0 for keys without a code.
int VirtualKey(const QKeyEvent* e);
int VirtualKey(int qtKey, Qt::KeyboardModifiers modifiers);
// Shift-state bits of modifiers.
int ShiftState(Qt::KeyboardModifiers modifiers);
// The button code of one Qt button, and the code of a set of held buttons.
int MouseButtonCode(Qt::MouseButton button);
int MouseButtonsCode(Qt::MouseButtons buttons);
// The character code a KeyPress handler gets (Enter 13, Backspace 8, Escape 27); 0 when the key
// types no character.
int KeyAscii(const QKeyEvent* e);

}  // namespace vb
