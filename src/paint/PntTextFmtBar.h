#pragma once
// CPntTextFmtBar: what the paint control asks of the text tool's bar. The control forwards the
// clipboard commands, undo's commit and keystrokes to it in text mode and shows or hides it
// when the mode changes. This base does nothing, so the control works without a text tool; the
// text tool derives from it.

class QKeyEvent;

namespace tsl {

class CPntTextFmtBar {
public:
    virtual ~CPntTextFmtBar() = default;

    // Renders the text being edited into the image for good.
    virtual void Commit() {}
    virtual void Copy() {}
    virtual void Cut() {}
    virtual void Paste() {}
    virtual bool CanPaste() const { return false; }
    virtual void Show() {}
    virtual void Hide() {}
    // Gives the keyboard focus to the bar's edit field.
    virtual void Focus() {}
    // True while a text is being edited and keys should go to the bar.
    virtual bool HasLiveText() const { return false; }
    virtual void ForwardKey(QKeyEvent& /*event*/) {}
    // The control's colours or font changed: draw the text again.
    virtual void Redraw() {}
};

} // namespace tsl
