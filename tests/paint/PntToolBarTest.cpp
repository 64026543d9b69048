// The paint tool bar against a real paint control: its table, the enabled and pressed states
// with a normal, a read-only and no control, the choosers' offers and selections, choices made
// in the choosers' popups, and what the buttons look like.

#include "paint/PntToolBar.h"

#include "framework/Ids.h"
#include "paint/PntCtrl.h"
#include "support/TestEnvironment.h"

#include <QApplication>
#include <QClipboard>
#include <QToolButton>
#include <QWidgetAction>

#include <gtest/gtest.h>

#include <memory>
#include <set>

namespace tsl {
namespace {

constexpr COLORREF kRed = RGB(255, 0, 0);
constexpr COLORREF kWhite = RGB(255, 255, 255);

// Every id that has a button, in table order.
std::vector<int> ButtonIds() {
    std::vector<int> ids;
    for (const CPntToolBar::Entry& e : CPntToolBar::Entries())
        if (e.id != 0 && e.id != ID_PAINT_ERASER_WIDTH && e.id != ID_PAINT_LINE_WIDTH &&
            e.id != ID_PAINT_FORE_COLOUR && e.id != ID_PAINT_BACK_COLOUR)
            ids.push_back(e.id);
    return ids;
}

std::vector<QWidget*> Choosers(const CPntToolBar& bar) {
    return {bar.EraserWidthChooser(), bar.LineWidthChooser(), bar.ForeColourChooser(),
            bar.BackColourChooser()};
}

QStringList Names(const CColourPicker* picker) {
    QStringList names;
    for (const ColourEntry& e : picker->Colours()) names << e.name;
    return names;
}

class PntToolBarTest : public ::testing::Test {
protected:
    void SetUp() override {
        QGuiApplication::clipboard()->clear();
        ctrl = std::make_unique<CPntCtrl>();
        ctrl->resize(300, 200);
        ASSERT_TRUE(ctrl->CreateBlank(40, 30, 1, 24));
        bar.resize(900, 40);
    }

    bool Enabled(int id) {
        QAction* action = bar.ButtonAction(id);
        EXPECT_NE(action, nullptr) << id;
        EXPECT_EQ(action && action->isEnabled(), bar.CommandState(id).IsEnabled()) << id;
        return action && action->isEnabled();
    }
    bool Pressed(int id) {
        QAction* action = bar.ButtonAction(id);
        return action && action->isChecked();
    }
    QToolButton* Button(int id) {
        return qobject_cast<QToolButton*>(bar.widgetForAction(bar.ButtonAction(id)));
    }
    // Opens a chooser's popup and chooses a slot there, as a click does.
    static void Choose(CCoolCombo* chooser, int slot) {
        chooser->ShowPopup();
        ASSERT_TRUE(chooser->IsPopupOpen());
        chooser->Popup()->ChooseSlot(slot);
        QApplication::processEvents();
    }

    std::unique_ptr<CPntCtrl> ctrl;
    CPntToolBar bar;
};

TEST_F(PntToolBarTest, BarHoldsTheTableButtonsAndTheChoosersInTheirPlaces) {
    EXPECT_EQ(bar.windowTitle(), QStringLiteral("Tools"));
    const QList<QAction*> actions = bar.actions();
    ASSERT_EQ(actions.size(), CPntToolBar::kEntryCount);
    const QStringList tips = {"Cut", "Copy", "Paste", "Clear", "Undo", "Redo", "Magnify",
                              "Size to fit window", "Resize", "Select Area", "Select Color",
                              "Flood Fill", "Add Text", "Air brush", "Color replacer",
                              "Freehand Erase", "Freehand Draw", "Line", "Eraser width",
                              "Pen Width", "Separator1", "Rectangle", "Rounded Rectangle",
                              "Ellipse", "Filled Rectangle", "Filled Rounded Rectangle",
                              "Filled Ellipse", "Foreground Color",
                              "Background Color (Shift+tool)"};
    for (int i = 0; i < CPntToolBar::kEntryCount; ++i) {
        const CPntToolBar::Entry& e = CPntToolBar::Entries()[static_cast<std::size_t>(i)];
        EXPECT_EQ(QString::fromLatin1(e.text), tips[i]) << i;
        EXPECT_EQ(CToolBarEx::CommandOf(actions[i]), e.id) << i;
        if (e.id == 0) {
            EXPECT_TRUE(actions[i]->isSeparator());
        } else if (QAction* button = bar.ButtonAction(e.id)) {
            EXPECT_EQ(button->toolTip(), tips[i]);
            // Image index = position: the button shows cell i of the strip.
            EXPECT_EQ(button->icon().pixmap(16, 15).toImage().convertToFormat(QImage::Format_ARGB32),
                      CPntToolBar::ButtonImage(i)) << i;
        } else {
            QWidget* chooser = bar.ButtonControl(e.id);
            ASSERT_NE(chooser, nullptr) << i;
            EXPECT_EQ(chooser->toolTip(), tips[i]);
        }
        EXPECT_EQ(CPntToolBar::ToolTipFor(e.id), e.id ? tips[i] : QString());
    }
    EXPECT_EQ(CPntToolBar::ToolTipFor(ID_PAINT_RESERVED2), QString());
    // Ids run from ID_PAINT_CUT by position, ID_PAINT_RESERVED1 being the separator's.
    for (int i = 0; i < CPntToolBar::kEntryCount; ++i) {
        if (i == 20) continue;
        EXPECT_EQ(CPntToolBar::Entries()[static_cast<std::size_t>(i)].id, ID_PAINT_CUT + i);
    }

    // Widths: three halves of a button (34) for eraser and foreground, the rest of three
    // buttons (35) for line width and background.
    EXPECT_EQ(bar.EraserWidthChooser()->width(), 34);
    EXPECT_EQ(bar.LineWidthChooser()->width(), 35);
    EXPECT_EQ(bar.ForeColourChooser()->width(), 34);
    EXPECT_EQ(bar.BackColourChooser()->width(), 35);
    EXPECT_EQ(bar.LineWidthChooser()->ItemCount(), 5);
    EXPECT_EQ(bar.EraserWidthChooser()->ItemCount(), 4);
    EXPECT_EQ(bar.LineWidthChooser()->Item(0).width(), 32);
    EXPECT_EQ(bar.EraserWidthChooser()->Item(0).width(), 16);
    // Light grey is clear in the width pictures, the line itself is not.
    const QImage line = bar.LineWidthChooser()->Item(2).toImage();
    EXPECT_EQ(qAlpha(line.pixel(0, 0)), 0);
    EXPECT_EQ(line.pixel(16, 8), qRgb(0, 0, 0));
    EXPECT_EQ(bar.ForeColourChooser()->Title(), QStringLiteral("Foreground Color"));
    EXPECT_EQ(bar.BackColourChooser()->Title(), QStringLiteral("Background Color"));
    EXPECT_TRUE(bar.BackColourChooser()->HasDefaultEntry());
    EXPECT_EQ(bar.BackColourChooser()->DefaultEntryText(), QStringLiteral("None"));
    // The colour pictures stand on red, their mask.
    const QImage fore = bar.ForeColourChooser()->FacePicture().toImage();
    EXPECT_EQ(qAlpha(fore.pixel(0, 0)), 0);
    EXPECT_EQ(fore.pixel(1, 1), qRgb(0, 0, 0));
}

TEST_F(PntToolBarTest, WithoutAControlEverythingIsDisabled) {
    for (int id : ButtonIds()) {
        EXPECT_FALSE(Enabled(id)) << id;
        EXPECT_FALSE(bar.RunCommand(id)) << id;
    }
    for (QWidget* chooser : Choosers(bar)) EXPECT_FALSE(chooser->isEnabled());

    // A destroyed control detaches itself.
    bar.Attach(ctrl.get());
    EXPECT_TRUE(Enabled(ID_PAINT_CUT));
    ctrl.reset();
    EXPECT_EQ(bar.Attached(), nullptr);
    for (int id : ButtonIds()) EXPECT_FALSE(Enabled(id)) << id;
    for (QWidget* chooser : Choosers(bar)) EXPECT_FALSE(chooser->isEnabled());
}

TEST_F(PntToolBarTest, NormalControlEnablesByHistoryClipboardAndPressesTheModesButton) {
    bar.Attach(ctrl.get());
    EXPECT_EQ(bar.Attached(), ctrl.get());
    for (int id : ButtonIds()) {
        const bool expected = id != ID_PAINT_PASTE && id != ID_PAINT_UNDO && id != ID_PAINT_REDO;
        EXPECT_EQ(Enabled(id), expected) << id;
    }
    for (QWidget* chooser : Choosers(bar)) EXPECT_TRUE(chooser->isEnabled());

    // Paste follows the clipboard, undo and redo the history.
    ctrl->SetMode(kModeSelect);
    ctrl->SetSelectionRect(CRect{2, 2, 10, 10});
    ASSERT_TRUE(bar.RunCommand(ID_PAINT_COPY));
    EXPECT_TRUE(Enabled(ID_PAINT_PASTE));
    ASSERT_TRUE(bar.RunCommand(ID_PAINT_CLEAR));
    EXPECT_TRUE(Enabled(ID_PAINT_UNDO));
    EXPECT_FALSE(Enabled(ID_PAINT_REDO));
    ASSERT_TRUE(bar.RunCommand(ID_PAINT_UNDO));
    EXPECT_TRUE(Enabled(ID_PAINT_REDO));

    // Each tool button sets its mode and is the one shown pressed.
    const std::vector<std::pair<int, int>> tools = {
        {ID_PAINT_MAGNIFY, 3},   {ID_PAINT_SELECT, 1},         {ID_PAINT_SAMPLER, 7},
        {ID_PAINT_FILL, 4},      {ID_PAINT_TEXT, 9},           {ID_PAINT_AIRBRUSH, 10},
        {ID_PAINT_ERASER, 6},    {ID_PAINT_PEN, 5},            {ID_PAINT_LINE, 8},
        {ID_PAINT_RECTANGLE, 12}, {ID_PAINT_ROUND_RECT, 13},   {ID_PAINT_ELLIPSE, 14},
        {ID_PAINT_FILLED_RECTANGLE, 15}, {ID_PAINT_FILLED_ROUND_RECT, 16},
        {ID_PAINT_FILLED_ELLIPSE, 17}};
    for (const auto& [id, mode] : tools) {
        bar.ButtonAction(id)->trigger(); // as a click does
        EXPECT_EQ(ctrl->GetMode(), mode) << id;
        for (int other : ButtonIds()) EXPECT_EQ(Pressed(other), other == id) << id << " " << other;
    }
    // A moving selection still shows Select Area pressed; mode changes reach the bar at once.
    ctrl->SetMode(kModeMove);
    EXPECT_TRUE(Pressed(ID_PAINT_SELECT));
    ctrl->SetMode(kModeNone);
    for (int id : ButtonIds()) EXPECT_FALSE(Pressed(id)) << id;
    // The colour replacer has no mode: it never shows pressed.
    ASSERT_TRUE(bar.RunCommand(ID_PAINT_REPLACE_COLOUR));
    EXPECT_FALSE(Pressed(ID_PAINT_REPLACE_COLOUR));
}

TEST_F(PntToolBarTest, ReadOnlyControlKeepsOnlyTheViewingCommands) {
    ctrl->SetReadOnly(true);
    ctrl->SetMode(kModePen);
    QGuiApplication::clipboard()->setImage(QImage(4, 4, QImage::Format_RGB32));
    bar.Attach(ctrl.get());
    const std::set<int> enabled = {ID_PAINT_COPY, ID_PAINT_SIZE_TO_FIT, ID_PAINT_MAGNIFY,
                                   ID_PAINT_SELECT, ID_PAINT_REPLACE_COLOUR};
    for (int id : ButtonIds()) EXPECT_EQ(Enabled(id), enabled.count(id) == 1) << id;
    for (QWidget* chooser : Choosers(bar)) EXPECT_FALSE(chooser->isEnabled());
    EXPECT_FALSE(bar.RunCommand(ID_PAINT_CLEAR));
    EXPECT_EQ(ctrl->HistorySize(), 0);

    // Writable again: the choosers follow at the next refresh.
    ctrl->SetReadOnly(false);
    bar.RefreshFromControl();
    for (QWidget* chooser : Choosers(bar)) EXPECT_TRUE(chooser->isEnabled());
    EXPECT_TRUE(Enabled(ID_PAINT_PEN));
    EXPECT_TRUE(Pressed(ID_PAINT_PEN));
}

TEST_F(PntToolBarTest, ClearErasesTheSelectionWithOneUndoStep) {
    bar.Attach(ctrl.get());
    ctrl->SetBackColour(kRed);
    ctrl->SetSelectionRect(CRect{4, 5, 12, 9});
    const int steps = ctrl->HistorySize();
    ASSERT_TRUE(bar.RunCommand(ID_PAINT_CLEAR));
    EXPECT_EQ(ctrl->HistorySize(), steps + 1);
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 40; ++x) {
            const bool inside = x >= 4 && x < 12 && y >= 5 && y < 9;
            ASSERT_EQ(ctrl->Image().GetPixel(x, y), inside ? kRed : kWhite) << x << "," << y;
        }
    ASSERT_TRUE(bar.RunCommand(ID_PAINT_UNDO));
    for (int y = 5; y < 9; ++y)
        for (int x = 4; x < 12; ++x) ASSERT_EQ(ctrl->Image().GetPixel(x, y), kWhite);
    EXPECT_TRUE(ctrl->CanRedo());
}

TEST_F(PntToolBarTest, ColourChoosersOfferTheImagesColourCount) {
    // Two colours: Black and White only, and no dialog for other colours.
    ASSERT_TRUE(ctrl->CreateBlank(8, 8, 1, 1));
    bar.Attach(ctrl.get());
    EXPECT_EQ(bar.OfferedColourCount(), 2);
    for (CColourPicker* picker : {bar.ForeColourChooser(), bar.BackColourChooser()}) {
        EXPECT_EQ(Names(picker), QStringList({"Black", "White"}));
        EXPECT_TRUE(picker->ExtraEntries().isEmpty());
    }
    // Sixteen colours: the named colours in order, references as the table gives them.
    ASSERT_TRUE(ctrl->CreateBlank(8, 8, 1, 4));
    bar.RefreshFromControl();
    ASSERT_EQ(bar.ForeColourChooser()->Colours().size(), 16u);
    EXPECT_EQ(Names(bar.BackColourChooser()).last(), QStringLiteral("Light grey"));
    EXPECT_EQ(bar.ForeColourChooser()->Colours()[2].colour, 0xFF0000u); // Blue
    EXPECT_EQ(bar.ForeColourChooser()->Colours()[5].colour, 0x0000FFu); // Red
    // No colour table: any colour, with the colour dialog.
    ASSERT_TRUE(ctrl->CreateBlank(8, 8, 1, 24));
    bar.RefreshFromControl();
    EXPECT_EQ(bar.OfferedColourCount(), 0);
    EXPECT_EQ(bar.ForeColourChooser()->Colours().size(), CColourPicker::DefaultColours().size());
    EXPECT_EQ(bar.ForeColourChooser()->ExtraEntries(), QStringList({"More Colors..."}));
    // Forced: sixteen whatever the image.
    bar.SetForceSixteenColours(true);
    EXPECT_EQ(bar.OfferedColourCount(), 16);
    EXPECT_EQ(bar.BackColourChooser()->Colours().size(), 16u);
}

TEST_F(PntToolBarTest, ChoosersSelectTheControlsValues) {
    ctrl->SetLineWidth(3);
    ctrl->SetEraserWidth(8);
    ctrl->SetForeColour(kRed);
    bar.Attach(ctrl.get());
    EXPECT_EQ(bar.LineWidthChooser()->CurrentIndex(), 2);
    EXPECT_EQ(bar.EraserWidthChooser()->CurrentIndex(), 2);
    EXPECT_EQ(bar.ForeColourChooser()->Colour(), kRed);
    EXPECT_EQ(bar.BackColourChooser()->Colour(), kWhite);
    // Widths not in the lists select nothing.
    ctrl->SetLineWidth(7);
    ctrl->SetEraserWidth(5);
    bar.RefreshFromControl();
    EXPECT_EQ(bar.LineWidthChooser()->CurrentIndex(), -1);
    EXPECT_EQ(bar.EraserWidthChooser()->CurrentIndex(), -1);
}

TEST_F(PntToolBarTest, ChoicesInTheChoosersSetTheControl) {
    bar.show();
    bar.Attach(ctrl.get());
    Choose(bar.LineWidthChooser(), 3);
    EXPECT_EQ(ctrl->LineWidth(), 4);
    Choose(bar.EraserWidthChooser(), 3);
    EXPECT_EQ(ctrl->EraserWidth(), 10);

    // A foreground colour is the fill colour too; its default entry is black for both.
    const int red = bar.ForeColourChooser()->LookUp(kRed);
    Choose(bar.ForeColourChooser(), red);
    EXPECT_EQ(ctrl->ForeColour(), kRed);
    EXPECT_EQ(ctrl->FillColour(), kRed);
    Choose(bar.ForeColourChooser(), -1);
    EXPECT_EQ(ctrl->ForeColour(), 0u);
    EXPECT_EQ(ctrl->FillColour(), 0u);
    EXPECT_EQ(bar.ForeColourChooser()->Colour(), 0u);

    // The idle refresh leaves an open popup's highlight where the user moved it.
    bar.ForeColourChooser()->ShowPopup();
    bar.ForeColourChooser()->Popup()->SetHotSlot(red);
    bar.RefreshFromControl();
    EXPECT_EQ(bar.ForeColourChooser()->Popup()->HotSlot(), red);
    bar.ForeColourChooser()->ClosePopup();
    QApplication::processEvents();

    // "None" is white, not "no colour".
    Choose(bar.BackColourChooser(), bar.BackColourChooser()->LookUp(kRed));
    EXPECT_EQ(ctrl->BackColour(), kRed);
    EXPECT_EQ(ctrl->ForeColour(), 0u);
    Choose(bar.BackColourChooser(), -1);
    EXPECT_EQ(ctrl->BackColour(), kWhite);
    EXPECT_EQ(bar.BackColourChooser()->Colour(), kWhite);
}

TEST_F(PntToolBarTest, ButtonsShowPressedAndDisabledStatesInTheirPixels) {
    bar.show();
    bar.Attach(ctrl.get());
    ctrl->SetMode(kModeZoom);
    const QImage pressed = Button(ID_PAINT_MAGNIFY)->grab().toImage();
    const QImage flat = Button(ID_PAINT_SELECT)->grab().toImage();
    // A latched button stands on a dither of face and highlight; a flat one on plain face.
    EXPECT_NE(pressed.pixel(3, 2), pressed.pixel(4, 2));
    EXPECT_EQ(pressed.pixel(3, 2), pressed.pixel(4, 3));
    EXPECT_EQ(flat.pixel(3, 2), flat.pixel(4, 2));

    // A disabled button is embossed: none of its blue ink is left.
    auto blue = [](const QImage& image) {
        int n = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) n += image.pixel(x, y) == qRgb(0, 0, 128);
        return n;
    };
    EXPECT_GT(blue(Button(ID_PAINT_SIZE_TO_FIT)->grab().toImage()), 0);
    bar.Attach(nullptr);
    EXPECT_EQ(blue(Button(ID_PAINT_SIZE_TO_FIT)->grab().toImage()), 0);
}

} // namespace
} // namespace tsl
