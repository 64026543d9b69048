#pragma once
// CPntToolBar: the dockable tool bar "Tools" that drives whichever paint control is attached to
// it: edit commands, undo and redo, zoom, image properties, the tool modes, two width choosers
// and two colour choosers. The main frame creates it with no control; the active image view
// attaches its control. The control is held weakly: a destroyed control detaches itself.
//
// The 29 entries of Entries() become the bar's buttons in order (image index = position; an
// entry with id 0 is a separator). The entries of the eraser width, line width, foreground and
// background colour are places: each is taken by its chooser, with u the bar's button width
// (23) the eraser-width and foreground choosers floor(1.5 u) wide and the other two the rest of
// 3 u. Buttons are 23 x 22 with no spacing between them and the choosers 22 (widths) or 24
// (colours) high, so that the whole bar fits the side of the main frame at its first size.
//
// The colour count is the image's as its owner records it (SetColourCountSource): a 1-bit
// document offers Black and White although the control shows it at 32 bits.
//
// Pictures, from the program's bitmaps: the buttons bitmap/PNTBAR.bmp (16 x 15 cells, light
// grey clear), line widths bitmap/PNTLINEW.bmp (cells 32 wide), eraser widths
// bitmap/PNTERASEW.bmp (cells 16 wide), light grey clear in both; the colour choosers show the
// button pictures 27 and 28 with red as their mask. Pictures are made clear once, so a change
// of system colours needs no reload.
//
// Commands: a button runs its table action on the attached control (RunCommand), then the bar
// refreshes; the action sees the modifiers of the click (CCommandTrigger), so Shift+click on
// the colour replacer swaps its colours. The enabled and pressed state of each command is evaluated against the attached
// control (everything disabled without one); the colour replacer has no mode and is never
// pressed. RefreshFromControl is the idle update: the colour choosers offer the first n named
// colours, without "More Colors...", when the image has a colour table of 1 <= n <= 16 entries
// (16 when forced), and any colour otherwise; the choosers select the control's colours and
// widths (nothing for a width not in the list); they are enabled exactly when a control is
// attached and not read-only; the buttons take their states.
//
// Choices: an eraser or line width sets that width; a foreground colour sets both the
// foreground and the fill colour; a background colour sets the background colour. The
// foreground chooser's default entry ("Automatic") gives black for both, the background's
// ("None") white, never "no colour". The width choosers have no default entry and take their
// table texts as popup titles.
//
// Left to Qt: a floating bar lays its buttons out as Qt's tool bars do (no row-count table).

#include "framework/CmdTarget.h"
#include "ui/ColourPicker.h"
#include "ui/ToolBarEx.h"

#include <QImage>
#include <QPointer>
#include <QString>
#include <QStringList>

#include <array>
#include <functional>
#include <vector>

namespace tsl {

class CPntCtrl;

class CPntToolBar : public CToolBarEx, public CCmdTarget {
    Q_OBJECT
public:
    struct Entry {
        int id;           // 0: a separator
        const char* text; // the tool tip
    };
    static constexpr int kEntryCount = 29;
    // Button and chooser sizes: compact enough that the whole bar fits the frame's height
    // when docked at its side.
    static constexpr int kButtonWidth = 23;
    static constexpr int kButtonHeight = 22;
    static constexpr int kWidthChooserHeight = 22;
    static constexpr int kColourChooserHeight = 24;
    static constexpr int kMaxTipLength = 80;
    static constexpr std::array<int, 5> kLineWidths = {1, 2, 3, 4, 5};
    static constexpr std::array<int, 4> kEraserWidths = {4, 6, 8, 10};

    explicit CPntToolBar(QWidget* parent = nullptr);
    ~CPntToolBar() override;

    static const std::array<Entry, kEntryCount>& Entries();
    // The sixteen named colours the colour choosers offer.
    static const std::vector<ColourEntry>& NamedColours();
    // The table text of an id (at most 80 characters); empty for an id not in the table.
    static QString ToolTipFor(int id);
    // The button strip and the images cut from it (clear where light grey, or red for the
    // colour-chooser pictures 27 and 28).
    static QImage ButtonStrip();
    static QImage ButtonImage(int index);

    // Attaches a control (null detaches) and refreshes from it.
    void Attach(CPntCtrl* ctrl);
    CPntCtrl* Attached() const;

    // Runs a button's action on the attached control, then refreshes; false when the command
    // is disabled now or has no action.
    bool RunCommand(int id);
    // The enabled and pressed state of an id against the attached control.
    CCmdUI CommandState(int id);
    void RefreshFromControl();

    // How many colours the attached control's image has (0: any). The control holds every image
    // at the screen's depth, so its owner, which knows the image's real depth, answers; without
    // a source the control's colour table counts.
    using ColourCountSource = std::function<int(const CPntCtrl&)>;
    void SetColourCountSource(ColourCountSource source);

    // Offers 16 colours whatever the image's colour table holds.
    void SetForceSixteenColours(bool on);
    bool ForcesSixteenColours() const { return m_force16; }
    // The colour count the colour choosers were last given.
    int OfferedColourCount() const { return m_offered; }

    CCoolCombo* LineWidthChooser() const { return m_lineWidth; }
    CCoolCombo* EraserWidthChooser() const { return m_eraserWidth; }
    CColourPicker* ForeColourChooser() const { return m_fore; }
    CColourPicker* BackColourChooser() const { return m_back; }
    // The tool button of a command; null for a chooser place, a separator or an unknown id.
    QAction* ButtonAction(int id) const;

private:
    void AddButtons();
    void CreateChoosers();
    void PlaceChooser(int id, QWidget* chooser, QSize size);
    void RegisterCommands();
    void UpdateButtons();
    void OnEraserWidth(int code, int data);
    void OnLineWidth(int code, int data);
    void OnForeColour(int code, int data);
    void OnBackColour(int code, int data);

    QPointer<CPntCtrl> m_ctrl;
    std::vector<QMetaObject::Connection> m_ctrlConnections;
    CCoolCombo* m_lineWidth = nullptr;
    CCoolCombo* m_eraserWidth = nullptr;
    CColourPicker* m_fore = nullptr;
    CColourPicker* m_back = nullptr;
    QStringList m_anyColourExtras; // the pickers' extra entries when any colour is offered
    ColourCountSource m_colourCount;
    int m_offered = -1;
    bool m_readOnly = false;
    bool m_force16 = false;
};

} // namespace tsl
