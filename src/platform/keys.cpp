#include "platform/keys.h"

#include <QKeyEvent>

namespace vb {

int VirtualKey(const QKeyEvent* e) { return VirtualKey(e->key(), e->modifiers()); }

int VirtualKey(int k, Qt::KeyboardModifiers mods) {
    if (mods & Qt::KeypadModifier) {
        if (k >= Qt::Key_0 && k <= Qt::Key_9) return 0x60 + (k - Qt::Key_0);
        switch (k) {
        case Qt::Key_Asterisk: return 0x6A;
        case Qt::Key_Plus: return 0x6B;
        case Qt::Key_Minus: return 0x6D;
        case Qt::Key_Period:
        case Qt::Key_Comma: return 0x6E;
        case Qt::Key_Slash: return 0x6F;
        default: break;  // Enter and the navigation keys of the keypad: as the main keys
        }
    }
    if (k >= Qt::Key_A && k <= Qt::Key_Z) return 'A' + (k - Qt::Key_A);
    if (k >= Qt::Key_0 && k <= Qt::Key_9) return '0' + (k - Qt::Key_0);
    if (k >= Qt::Key_F1 && k <= Qt::Key_F24) return 0x70 + (k - Qt::Key_F1);
    switch (k) {
    // The digit row with shift held (US layout).
    case Qt::Key_Exclam: return '1';
    case Qt::Key_At: return '2';
    case Qt::Key_NumberSign: return '3';
    case Qt::Key_Dollar: return '4';
    case Qt::Key_Percent: return '5';
    case Qt::Key_AsciiCircum: return '6';
    case Qt::Key_Ampersand: return '7';
    case Qt::Key_Asterisk: return '8';
    case Qt::Key_ParenLeft: return '9';
    case Qt::Key_ParenRight: return '0';
    // Punctuation keys, plain and shifted.
    case Qt::Key_Semicolon: case Qt::Key_Colon: return 0xBA;
    case Qt::Key_Equal: case Qt::Key_Plus: return 0xBB;
    case Qt::Key_Comma: case Qt::Key_Less: return 0xBC;
    case Qt::Key_Minus: case Qt::Key_Underscore: return 0xBD;
    case Qt::Key_Period: case Qt::Key_Greater: return 0xBE;
    case Qt::Key_Slash: case Qt::Key_Question: return 0xBF;
    case Qt::Key_QuoteLeft: case Qt::Key_AsciiTilde: return 0xC0;
    case Qt::Key_BracketLeft: case Qt::Key_BraceLeft: return 0xDB;
    case Qt::Key_Backslash: case Qt::Key_Bar: return 0xDC;
    case Qt::Key_BracketRight: case Qt::Key_BraceRight: return 0xDD;
    case Qt::Key_Apostrophe: case Qt::Key_QuoteDbl: return 0xDE;
    // Control and navigation keys.
    case Qt::Key_Backspace: return 0x08;
    case Qt::Key_Tab: case Qt::Key_Backtab: return 0x09;
    case Qt::Key_Clear: return 0x0C;
    case Qt::Key_Return: case Qt::Key_Enter: return 0x0D;
    case Qt::Key_Shift: return 0x10;
    case Qt::Key_Control: return 0x11;
    case Qt::Key_Alt: return 0x12;
    case Qt::Key_Pause: return 0x13;
    case Qt::Key_CapsLock: return 0x14;
    case Qt::Key_Escape: return 0x1B;
    case Qt::Key_Space: return 0x20;
    case Qt::Key_PageUp: return 0x21;
    case Qt::Key_PageDown: return 0x22;
    case Qt::Key_End: return 0x23;
    case Qt::Key_Home: return 0x24;
    case Qt::Key_Left: return 0x25;
    case Qt::Key_Up: return 0x26;
    case Qt::Key_Right: return 0x27;
    case Qt::Key_Down: return 0x28;
    case Qt::Key_Print: return 0x2C;
    case Qt::Key_Insert: return 0x2D;
    case Qt::Key_Delete: return 0x2E;
    case Qt::Key_Meta: return 0x5B;
    case Qt::Key_Menu: return 0x5D;
    case Qt::Key_NumLock: return 0x90;
    case Qt::Key_ScrollLock: return 0x91;
    default: return 0;
    }
}

int ShiftState(Qt::KeyboardModifiers m) {
    return ((m & Qt::ShiftModifier) ? vbShiftMask : 0) | ((m & Qt::ControlModifier) ? vbCtrlMask : 0) |
           ((m & Qt::AltModifier) ? vbAltMask : 0);
}

int MouseButtonCode(Qt::MouseButton b) {
    switch (b) {
    case Qt::LeftButton: return vbLeftButton;
    case Qt::RightButton: return vbRightButton;
    case Qt::MiddleButton: return vbMiddleButton;
    default: return 0;
    }
}

int MouseButtonsCode(Qt::MouseButtons b) {
    return ((b & Qt::LeftButton) ? vbLeftButton : 0) | ((b & Qt::RightButton) ? vbRightButton : 0) |
           ((b & Qt::MiddleButton) ? vbMiddleButton : 0);
}

int KeyAscii(const QKeyEvent* e) {
    switch (e->key()) {
    case Qt::Key_Return: case Qt::Key_Enter: return 13;
    case Qt::Key_Backspace: return 8;
    case Qt::Key_Escape: return 27;
    case Qt::Key_Tab: return 9;
    default: break;
    }
    const QString t = e->text();
    if (t.isEmpty()) return 0;
    return t.at(0).unicode();
}

}  // namespace vb
