#include "platform/dialog_template.h"

#include <cmath>

#include "platform/dialog_services.h"

namespace {

constexpr uint32_t kCheckBox = WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_AUTOCHECKBOX;

// The start-up options dialog.
constexpr DialogControlTemplate kOptionsControls[] = {
    {1000, "sound", {0, 17, 56, 13}, kCheckBox | BS_LEFTTEXT, WS_EX_RIGHT},
    {1002, "loop", {0, 31, 56, 10}, kCheckBox | BS_LEFTTEXT | BS_RIGHT | BS_TOP, 0},
    {1001, "fullscreen", {0, 0, 56, 17}, kCheckBox, WS_EX_RIGHT},
    {kIdOk, "OK", {60, 4, 24, 37}, WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, WS_EX_CLIENTEDGE},
};

constexpr DialogTemplate kTemplates[] = {
    {101, "", {0, 0, 88, 45}, WS_POPUP | WS_CAPTION | DS_CENTER | DS_SETFONT | DS_3DLOOK | DS_ABSALIGN, kOptionsControls,
     static_cast<int>(sizeof kOptionsControls / sizeof kOptionsControls[0])},
};

// Rounds a * b / c to nearest, halves away from zero, as the integer
// scaling of dialog layouts does.
int scaleRounded(int a, int b, int c) {
    const long long p = static_cast<long long>(a) * b;
    const long long half = c / 2;
    const long long q = p >= 0 ? (p + half) / c : (p - half) / c;
    return static_cast<int>(q);
}

}  // namespace

const DialogTemplate* findDialogTemplate(int id) {
    for (const DialogTemplate& t : kTemplates)
        if (t.id == id) return &t;
    return nullptr;
}

const DialogControlTemplate* findDialogControl(const DialogTemplate& dialog, int id) {
    for (int i = 0; i < dialog.controlCount; ++i)
        if (dialog.controls[i].id == id) return &dialog.controls[i];
    return nullptr;
}

DialogBaseUnits dialogBaseUnits(double averageCharWidth, double charHeight) {
    // Whole pixels, as a font's metrics are; never zero, so nothing collapses.
    const int x = static_cast<int>(std::lround(averageCharWidth));
    const int y = static_cast<int>(std::lround(charHeight));
    return {x < 1 ? 1 : x, y < 1 ? 1 : y};
}

PixelRect dialogUnitsToPixels(DialogUnits r, DialogBaseUnits base) {
    return {scaleRounded(r.x, base.x, 4), scaleRounded(r.y, base.y, 8), scaleRounded(r.width, base.x, 4),
            scaleRounded(r.height, base.y, 8)};
}

bool controlIsCheckBox(const DialogControlTemplate& c) { return (c.style & BS_TYPEMASK) == BS_AUTOCHECKBOX; }
bool controlIsPushButton(const DialogControlTemplate& c) { return (c.style & BS_TYPEMASK) == BS_PUSHBUTTON; }
bool controlHasTabStop(const DialogControlTemplate& c) { return (c.style & WS_TABSTOP) != 0; }

// Right-aligned reading order mirrors a check box: its square moves to the
// right just as BS_LEFTTEXT asks.
bool checkBoxOnRight(const DialogControlTemplate& c) {
    return (c.style & BS_LEFTTEXT) != 0 || (c.exStyle & WS_EX_RIGHT) != 0;
}

bool controlHasSunkenEdge(const DialogControlTemplate& c) { return (c.exStyle & WS_EX_CLIENTEDGE) != 0; }

TextAlign controlTextAlign(const DialogControlTemplate& c) {
    switch (c.style & BS_CENTER) {
        case BS_LEFT: return TextAlign::Left;
        case BS_RIGHT: return TextAlign::Right;
        case BS_CENTER: return TextAlign::Centre;
        default: break;
    }
    if (c.exStyle & WS_EX_RIGHT) return TextAlign::Right;
    return controlIsPushButton(c) ? TextAlign::Centre : TextAlign::Left;
}

TextVAlign controlTextVAlign(const DialogControlTemplate& c) {
    switch (c.style & BS_VCENTER) {
        case BS_TOP: return TextVAlign::Top;
        case BS_BOTTOM: return TextVAlign::Bottom;
        default: return TextVAlign::Centre;
    }
}

bool dialogHasCloseBox(const DialogTemplate& d) { return (d.style & WS_SYSMENU) != 0; }
bool dialogIsCentred(const DialogTemplate& d) { return (d.style & DS_CENTER) != 0; }
