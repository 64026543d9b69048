#pragma once
// CPntTextFmtBar: the text tool's modeless bar "Text Tool" (template 28104). The user types
// into it and the paint control draws the text into the image on every change.
//
// It holds three multi-line edits (left, centred, right aligned) of which only the current
// alignment's is shown; every change of any edit passes the edit's whole text to
// CPntCtrl::SetText. Six push-like buttons set the alignment (SetTextFormat on the control)
// and toggle bold (weight 0 -> 400 -> 700 -> 400), italic and underline; "Font..." runs the
// platform's font dialog with the control's foreground colour, which the chosen colour
// replaces. Each font change is applied to the edits, told to the control, shown in the
// caption "Text Tool [face, Npt]" and written to the profile section "Text Tool" ("Font",
// with "Alignment" for the alignment).
//
// Input methods work in the edits as in any Qt edit: a preedit string is shown there and only
// committed text changes the edit, and so the image. Closing the bar hides it, activates the
// main window and puts the control into select mode.

#include "paint/PntDlg.h"
#include "paint/TextFontDesc.h"

#include <QFont>

#include <array>

class QKeyEvent;
class QPlainTextEdit;
class QPushButton;
class QToolButton;

namespace tsl {

class CPntCtrl;

class CPntTextFmtBar : public CPntDlg {
    Q_OBJECT
public:
    static constexpr const char* kTitle = "Text Tool";
    static constexpr const char* kSection = "Text Tool";

    CPntTextFmtBar(CPntCtrl& ctrl, QWidget* parent);
    ~CPntTextFmtBar() override;

    // Shows the bar (initialising it the first time); clears the hidden flag.
    void ShowTextBar();
    // Hides the bar and sets the hidden flag.
    void HideTextBar();
    // Empties all three edits.
    void ClearTextBar();
    // Gives the keyboard focus to the visible edit unless it has it already.
    void FocusEdit();
    // The bar is there for the user: created and not hidden.
    bool Exists() const { return !m_hidden; }

    int Alignment() const { return m_alignment; }
    QPlainTextEdit* Edit(int alignment) const;
    QPlainTextEdit* VisibleEdit() const { return Edit(m_alignment); }
    const CTextFontDesc& FontDesc() const { return m_font; }
    // The font the edits share.
    static const QFont& SharedFont();

    // The clipboard commands of the control in text mode, on the visible edit.
    void Copy();
    void Cut();
    void Paste();
    // Plain text is on the clipboard.
    static bool CanPaste();
    // A key the control received while a text is live: the edit gets the focus and the key.
    void ForwardKey(QKeyEvent& event);

    // The buttons' actions.
    void SetAlignment(int alignment);
    void ToggleBold();
    void ToggleItalic();
    void ToggleUnderline();
    void ChooseFont();
    // Applies a font description to the edits, optionally to the control, and to the caption
    // and the profile.
    void ApplyFont(const CTextFontDesc& desc, bool tellControl);

    // The caption for a font: "Text Tool [face, Npt]".
    static QString Caption(const CTextFontDesc& desc, int dpiY);

protected:
    void OnInitDialog() override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

private:
    void LoadBitmaps();
    void UpdateButtons();
    void LayOutEdits();
    void MoveIntoPlace();
    void Close();
    static int ScreenDpiY();

    CPntCtrl& m_ctrl;
    int m_alignment = 0;
    bool m_hidden = true;
    CTextFontDesc m_font;
    QPushButton* m_fontButton = nullptr;
    std::array<QPlainTextEdit*, 3> m_edits{};
    std::array<QToolButton*, 6> m_buttons{}; // left, centre, right, bold, italic, underline
    QPoint m_editOffset;
};

} // namespace tsl
