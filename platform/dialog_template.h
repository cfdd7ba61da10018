// Dialog templates as data: the program's dialogs, their controls in tab
// order, and the conversion of dialog units into pixels.
//
//   const DialogTemplate* t = findDialogTemplate(101);          // nullptr: no such dialog
//   DialogBaseUnits base = dialogBaseUnits(font.averageCharWidth, font.charHeight);
//   PixelRect r = dialogUnitsToPixels(t->controls[0].rect, base);
//   if (controlIsCheckBox(t->controls[0]) && controlHasTabStop(t->controls[0])) ...
//
// Dialog units scale with the dialog's font, so a layout keeps its shape at
// every font size: one horizontal unit is a quarter of the average character
// width, one vertical unit an eighth of the character height.
#pragma once
#include <cstdint>

// Window and button styles, with the values the template format gives them.
inline constexpr uint32_t WS_POPUP = 0x80000000u;
inline constexpr uint32_t WS_CHILD = 0x40000000u;
inline constexpr uint32_t WS_VISIBLE = 0x10000000u;
inline constexpr uint32_t WS_CAPTION = 0x00C00000u;
inline constexpr uint32_t WS_SYSMENU = 0x00080000u;
inline constexpr uint32_t WS_TABSTOP = 0x00010000u;
inline constexpr uint32_t DS_ABSALIGN = 0x0001u;
inline constexpr uint32_t DS_3DLOOK = 0x0004u;
inline constexpr uint32_t DS_SETFONT = 0x0040u;
inline constexpr uint32_t DS_CENTER = 0x0800u;
inline constexpr uint32_t BS_PUSHBUTTON = 0x0000u;
inline constexpr uint32_t BS_AUTOCHECKBOX = 0x0003u;
inline constexpr uint32_t BS_TYPEMASK = 0x000Fu;
inline constexpr uint32_t BS_LEFTTEXT = 0x0020u;
inline constexpr uint32_t BS_LEFT = 0x0100u;
inline constexpr uint32_t BS_RIGHT = 0x0200u;
inline constexpr uint32_t BS_CENTER = 0x0300u;
inline constexpr uint32_t BS_TOP = 0x0400u;
inline constexpr uint32_t BS_BOTTOM = 0x0800u;
inline constexpr uint32_t BS_VCENTER = 0x0C00u;
inline constexpr uint32_t WS_EX_CLIENTEDGE = 0x0200u;
inline constexpr uint32_t WS_EX_RIGHT = 0x1000u;

struct DialogUnits {
    int x, y, width, height;
};

struct PixelRect {
    int x, y, width, height;
};

struct DialogControlTemplate {
    int id;
    const char* text;
    DialogUnits rect;
    uint32_t style;
    uint32_t exStyle;
};

struct DialogTemplate {
    int id;
    const char* caption;
    DialogUnits rect;
    uint32_t style;
    const DialogControlTemplate* controls;  // template order, which is the tab order
    int controlCount;
};

// Pixels per four horizontal / eight vertical dialog units.
struct DialogBaseUnits {
    int x, y;
};

enum class TextAlign { Left, Centre, Right };
enum class TextVAlign { Top, Centre, Bottom };

const DialogTemplate* findDialogTemplate(int id);
const DialogControlTemplate* findDialogControl(const DialogTemplate& dialog, int id);
DialogBaseUnits dialogBaseUnits(double averageCharWidth, double charHeight);
PixelRect dialogUnitsToPixels(DialogUnits rect, DialogBaseUnits base);
bool controlIsCheckBox(const DialogControlTemplate& control);
bool controlIsPushButton(const DialogControlTemplate& control);
bool controlHasTabStop(const DialogControlTemplate& control);
bool checkBoxOnRight(const DialogControlTemplate& control);
bool controlHasSunkenEdge(const DialogControlTemplate& control);
TextAlign controlTextAlign(const DialogControlTemplate& control);
TextVAlign controlTextVAlign(const DialogControlTemplate& control);
bool dialogHasCloseBox(const DialogTemplate& dialog);
bool dialogIsCentred(const DialogTemplate& dialog);
