// The paint control's text tool: the live text drawn into the selection rectangle, its box
// tracked with live feedback, and its end.
//
// Each rendering is one undo step that the next change takes back first (so the history holds
// one step for the whole text). The tool only takes back a rendering it made itself: a box
// drawn or a mode entered without any rendering never undoes an earlier edit, and a press in
// the box that neither moves nor resizes it puts the rendering back.
#include "paint/PntCtrl.h"

#include "paint/PntTextFmtBar.h"

namespace tsl {

CPntTextFmtBar& CPntCtrl::TextBar() {
    if (!m_textBar) m_textBar = new CPntTextFmtBar(*this, window());
    return *m_textBar;
}

CPntTextFmtBar* CPntCtrl::TextBarIfMade() const { return m_textBar.data(); }

bool CPntCtrl::RenderText(const CRect& rect) {
    return m_image.Text(m_text, rect.Normalised(), m_textFormat, m_foreColour, &m_textFont);
}

bool CPntCtrl::UndoTextRendering() {
    const CRect keep = m_selection;
    m_textUndoing = true;
    const bool undone = Undo();
    m_textUndoing = false;
    m_selection = keep;
    m_floatingLive = true;
    m_textRendered = false;
    return undone;
}

void CPntCtrl::EndText() {
    m_floatingLive = false;
    m_text.clear();
    m_textRendered = false;
    if (m_textBar) m_textBar->ClearTextBar();
}

void CPntCtrl::SetText(const QString& text) {
    if (m_mode != kModeText || !m_floatingLive) return;
    const QString newText = text; // text may be m_text itself
    if (!m_text.isEmpty() && m_textRendered) UndoTextRendering();
    m_text = newText;
    if (m_text.isEmpty() || !m_image.HasImage()) return;
    SaveUndoStep();
    RenderText(m_selection);
    m_textRendered = true;
    SetModified(true);
    viewport()->repaint();
}

void CPntCtrl::SetTextFont(const QFont& font) {
    m_textFont = font;
    if (m_mode == kModeText) SetText(QString(m_text));
}

void CPntCtrl::SetTextFormat(unsigned format) {
    m_textFormat = format;
    if (m_mode == kModeText) SetText(QString(m_text));
}

void CPntCtrl::StartTextTrack(int hit) {
    const bool outside = hit == hitNothing;
    if (outside) m_floatingLive = false; // a new text begins; the old one stays as pixels
    m_textTrackBox = !outside;
    m_textTrackUndid = false;
    if (m_floatingLive) {
        if (m_textRendered) m_textTrackUndid = UndoTextRendering();
    } else {
        m_text.clear();
        m_textRendered = false;
        TextBar().ClearTextBar();
        TextBar().ShowTextBar();
    }
    if (m_textTrackBox && !TakeShapeBackup()) m_textTrackBox = false;
}

void CPntCtrl::DrawTextFeedback(const CRect& rect) {
    if (!m_textTrackBox || !m_shapeBackup) return;
    RestoreShapeBackup(false);
    RenderText(rect);
    viewport()->repaint();
}

void CPntCtrl::FinishTextTrack(bool ok, const CRect& result) {
    m_selection = result;
    if (m_textTrackBox) {
        RestoreShapeBackup(true);
        if (ok) {
            SaveUndoStep();
            RenderText(result);
            m_textRendered = true;
            SetModified(true);
        } else if (m_textTrackUndid && Redo()) {
            m_textRendered = true;
        }
    }
    m_textTrackBox = false;
    m_floatingLive = true;
}

void CPntCtrl::CancelTextTrack() {
    if (m_textTrackBox) {
        RestoreShapeBackup(true);
        if (m_textTrackUndid && Redo()) m_textRendered = true;
    }
    m_textTrackBox = false;
    m_floatingLive = true;
}

} // namespace tsl
