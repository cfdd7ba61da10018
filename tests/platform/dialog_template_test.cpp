#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

#include "platform/dialog_template.h"

namespace {

const DialogTemplate& options() {
    const DialogTemplate* t = findDialogTemplate(101);
    if (!t) throw std::runtime_error("template 101 missing");
    return *t;
}

TEST(DialogTemplate, OptionsDialogIsAnEmptyCaptionedCentredPopupWithoutCloseBox) {
    EXPECT_EQ(findDialogTemplate(100), nullptr);
    EXPECT_EQ(findDialogTemplate(0), nullptr);
    const DialogTemplate& t = options();
    EXPECT_STREQ(t.caption, "");
    EXPECT_EQ(t.style, 0x80C00845u);
    EXPECT_EQ(t.style, WS_POPUP | WS_CAPTION | DS_CENTER | DS_SETFONT | DS_3DLOOK | DS_ABSALIGN);
    EXPECT_TRUE(dialogIsCentred(t));
    EXPECT_FALSE(dialogHasCloseBox(t));
    EXPECT_EQ(t.rect.width, 88);
    EXPECT_EQ(t.rect.height, 45);
}

TEST(DialogTemplate, ControlsComeInTabOrderWithTheirIdsTextsAndPlaces) {
    const DialogTemplate& t = options();
    ASSERT_EQ(t.controlCount, 4);
    struct Want {
        int id;
        const char* text;
        DialogUnits rect;
        bool checkBox, tabStop, boxOnRight, sunken;
        TextAlign align;
        TextVAlign valign;
    };
    const Want want[] = {
        {1000, "sound", {0, 17, 56, 13}, true, true, true, false, TextAlign::Right, TextVAlign::Centre},
        {1002, "loop", {0, 31, 56, 10}, true, true, true, false, TextAlign::Right, TextVAlign::Top},
        {1001, "fullscreen", {0, 0, 56, 17}, true, true, true, false, TextAlign::Right, TextVAlign::Centre},
        {1, "OK", {60, 4, 24, 37}, false, false, false, true, TextAlign::Centre, TextVAlign::Centre},
    };
    for (int i = 0; i < 4; ++i) {
        const DialogControlTemplate& c = t.controls[i];
        SCOPED_TRACE(std::string("control ") + want[i].text);
        EXPECT_EQ(c.id, want[i].id);
        EXPECT_STREQ(c.text, want[i].text);
        EXPECT_EQ(c.rect.x, want[i].rect.x);
        EXPECT_EQ(c.rect.y, want[i].rect.y);
        EXPECT_EQ(c.rect.width, want[i].rect.width);
        EXPECT_EQ(c.rect.height, want[i].rect.height);
        EXPECT_EQ(controlIsCheckBox(c), want[i].checkBox);
        EXPECT_EQ(controlIsPushButton(c), !want[i].checkBox);
        EXPECT_EQ(controlHasTabStop(c), want[i].tabStop);
        if (want[i].checkBox) {
            EXPECT_EQ(checkBoxOnRight(c), want[i].boxOnRight);
        }
        EXPECT_EQ(controlHasSunkenEdge(c), want[i].sunken);
        EXPECT_EQ(controlTextAlign(c), want[i].align);
        EXPECT_EQ(controlTextVAlign(c), want[i].valign);
        EXPECT_EQ(c.style & (WS_CHILD | WS_VISIBLE), WS_CHILD | WS_VISIBLE);
        EXPECT_EQ(findDialogControl(t, c.id), &c);
    }
    EXPECT_EQ(findDialogControl(t, 2), nullptr);  // Escape's id has no control
}

TEST(DialogTemplate, StylesDecideAlignment) {
    DialogControlTemplate c{7, "x", {0, 0, 10, 10}, BS_AUTOCHECKBOX, 0};
    EXPECT_EQ(controlTextAlign(c), TextAlign::Left);
    EXPECT_FALSE(checkBoxOnRight(c));
    c.style = BS_AUTOCHECKBOX | BS_CENTER;
    EXPECT_EQ(controlTextAlign(c), TextAlign::Centre);
    c.style = BS_AUTOCHECKBOX | BS_LEFT;
    c.exStyle = WS_EX_RIGHT;  // an explicit alignment wins over the reading order
    EXPECT_EQ(controlTextAlign(c), TextAlign::Left);
    EXPECT_TRUE(checkBoxOnRight(c));
    c.style = BS_PUSHBUTTON | BS_BOTTOM;
    c.exStyle = 0;
    EXPECT_EQ(controlTextAlign(c), TextAlign::Centre);
    EXPECT_EQ(controlTextVAlign(c), TextVAlign::Bottom);
    c.style = BS_PUSHBUTTON | BS_VCENTER;
    EXPECT_EQ(controlTextVAlign(c), TextVAlign::Centre);
}

TEST(DialogUnitConversion, QuarterCharacterWidthAcrossEighthCharacterHeightDown) {
    const PixelRect a = dialogUnitsToPixels({0, 0, 88, 45}, {7, 13});
    EXPECT_EQ(a.width, 154);
    EXPECT_EQ(a.height, 73);  // 45 * 13 / 8 = 73.125
    const PixelRect b = dialogUnitsToPixels({60, 4, 24, 37}, {14, 26});
    EXPECT_EQ(b.x, 210);
    EXPECT_EQ(b.y, 13);
    EXPECT_EQ(b.width, 84);
    EXPECT_EQ(b.height, 120);  // 120.25
    // Halves round away from zero, the same on both sides of it.
    EXPECT_EQ(dialogUnitsToPixels({1, 1, 0, 0}, {6, 4}).x, 2);  // 1.5
    EXPECT_EQ(dialogUnitsToPixels({1, 1, 0, 0}, {6, 4}).y, 1);  // 0.5
    EXPECT_EQ(dialogUnitsToPixels({-1, -1, 0, 0}, {6, 4}).x, -2);
    EXPECT_EQ(dialogUnitsToPixels({-3, 0, 0, 0}, {5, 8}).x, -4);  // -3.75
}

TEST(DialogUnitConversion, BaseUnitsAreWholeNonZeroPixels) {
    EXPECT_EQ(dialogBaseUnits(7.0, 13.0).x, 7);
    EXPECT_EQ(dialogBaseUnits(6.5, 12.49).x, 7);
    EXPECT_EQ(dialogBaseUnits(6.5, 12.49).y, 12);
    EXPECT_EQ(dialogBaseUnits(0.0, 0.2).x, 1);
    EXPECT_EQ(dialogBaseUnits(0.0, 0.2).y, 1);
}

// At every font size the layout keeps its shape: the boxes stack in a
// column left of OK, fullscreen over sound over loop, all inside the dialog.
TEST(DialogUnitConversion, LayoutKeepsItsShapeAtEveryFontSize) {
    const DialogTemplate& t = options();
    for (DialogBaseUnits base : {DialogBaseUnits{5, 10}, {7, 13}, {8, 16}, {14, 26}, {21, 39}, {28, 52}}) {
        SCOPED_TRACE(std::to_string(base.x) + "x" + std::to_string(base.y));
        const PixelRect dialog = dialogUnitsToPixels({0, 0, t.rect.width, t.rect.height}, base);
        PixelRect r[4];
        for (int i = 0; i < 4; ++i) {
            r[i] = dialogUnitsToPixels(t.controls[i].rect, base);
            EXPECT_GE(r[i].x, 0);
            EXPECT_GE(r[i].y, 0);
            EXPECT_LE(r[i].x + r[i].width, dialog.width);
            EXPECT_LE(r[i].y + r[i].height, dialog.height);
            EXPECT_GT(r[i].width, 0);
            EXPECT_GT(r[i].height, 0);
        }
        const PixelRect &sound = r[0], &loop = r[1], &full = r[2], &ok = r[3];
        EXPECT_LE(full.y + full.height, sound.y);
        EXPECT_LE(sound.y + sound.height, loop.y);
        for (const PixelRect& box : {sound, loop, full}) EXPECT_LT(box.x + box.width, ok.x);
        EXPECT_GT(ok.height, ok.width);  // taller than wide
    }
}

}  // namespace
