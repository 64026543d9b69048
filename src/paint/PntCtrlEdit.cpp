// The paint control's selection, floating buffer, clipboard, undo history, keys and image
// properties.
#include "paint/PntCtrl.h"

#include "paint/PntDimDlg.h"
#include "paint/PntTextFmtBar.h"
#include "platform/Platform.h"

#include <QKeyEvent>

#include <algorithm>

namespace tsl {

// ---- selection

void CPntCtrl::SetSelectionRect(const CRect& rect, bool drawFloating) {
    m_selection = rect;
    if (drawFloating) {
        if (m_mode == kModeMove && m_shapeBackup) {
            DrawMoveFeedback(rect);
        } else if (m_mode == kModeText) {
            DrawTextFeedback(rect);
        }
    }
    Refresh();
}

void CPntCtrl::ShowSelection(bool show) {
    m_selectionVisible = show;
    Refresh();
}

void CPntCtrl::ResetSelection() {
    m_selection = ImageRect();
    Refresh();
}

bool CPntCtrl::MakeLikeImage(CDIBSection& buffer, int width, int height) const {
    const int bpp = m_image.BitsPerPixel();
    const bool indexed = bpp <= 8;
    const std::vector<RGBQUAD>& palette = m_image.Palette();
    if (!buffer.Create(width, height, 1, bpp, nullptr,
                       indexed && !palette.empty() ? &palette : nullptr)) {
        return false;
    }
    if (indexed) buffer.SetColourTable(m_image.ColourCount(), m_image.ColourTable());
    return true;
}

void CPntCtrl::CaptureSelection(const CRect& rect) {
    // Only the part inside the image can be captured.
    const CRect r = rect.Normalised().Intersected(ImageRect());
    m_floatingRect = r;
    m_floatingPasted = false;
    m_floatingLive = false;
    m_floatingPending = false;
    if (m_readOnly) return;
    if (r == ImageRect()) {
        // A copy of the whole image is only needed if this selection is ever moved, which a
        // drag cannot start; it is made when a move does start, instead of doubling the memory
        // of every image on every mode change.
        m_floating.Reset();
        m_floatingPending = true;
        return;
    }
    FillFloating(r);
}

void CPntCtrl::FillFloating(const CRect& r) {
    if (r.IsEmpty() || !MakeLikeImage(m_floating, r.Width(), r.Height())) {
        m_floating.Reset();
        return;
    }
    m_image.Draw(m_floating, 0, 0, r.TopLeft(), r.Size());
}

COLORREF CPntCtrl::EraseColour() const {
    return m_backColour == kNoColour ? 0x02FFFFFFu : m_backColour;
}

bool CPntCtrl::EraseSelection(const CRect* rect, bool record) {
    if (!m_image.HasImage()) return false;
    const CRect r = rect ? rect->Normalised().Intersected(ImageRect()) : ImageRect();
    if (r.IsEmpty()) return false;
    if (record) SaveUndoStep();
    const bool ok = m_image.FillRect(r, EraseColour());
    if (record) {
        if (ok) {
            SetModified(true);
        } else {
            Undo();
        }
    }
    Refresh();
    return ok;
}

bool CPntCtrl::EraseAll() { return EraseSelection(nullptr, true); }

void CPntCtrl::DrawFloating(const CRect& rect) {
    if (!m_floating.HasImage()) return;
    int x = rect.left;
    int y = rect.top;
    if (rect.left <= 0) x = rect.right - m_floating.Width();
    if (rect.top <= 0) y = rect.bottom - m_floating.Height();
    const bool keyed = m_transparentBackground && m_backColour != kNoColour;
    m_floating.Draw(m_image, x, y, {}, CDIBSection::kToEdge, keyed ? m_backColour : kNoColour);
    viewport()->repaint();
}

void CPntCtrl::EraseMoveSource() {
    // A pasted buffer came from the clipboard: nothing of the image lies under its first place.
    if (!m_moveNotCopy || m_floatingPasted) return;
    const CRect source = m_floatingRect.Intersected(ImageRect());
    if (!source.IsEmpty()) m_image.FillRect(source, EraseColour());
}

void CPntCtrl::DrawMoveFeedback(const CRect& rect) {
    RestoreShapeBackup(false);
    EraseMoveSource();
    DrawFloating(rect);
}

// ---- selection tracking

CTrackerSpace CPntCtrl::TrackerSpace() const {
    CTrackerSpace space;
    space.toImage = [this](CPoint p) { return ClientToImage(p); };
    space.toClient = [this](CPoint p) { return ImageToClient(p); };
    space.imageSize = m_image.Size();
    return space;
}

CPntTracker CPntCtrl::MakeTracker() const { return CPntTracker(m_selection, TrackerSpace()); }

bool CPntCtrl::StartTrack(CPoint client, Qt::KeyboardModifiers mods) {
    if (!m_selectionVisible || !m_image.HasImage()) return false;
    const CRect ir = ImageToClient(ImageRect());
    if (client.x < ir.left - m_margin.cx || client.x >= ir.right + m_margin.cx ||
        client.y < ir.top - m_margin.cy || client.y >= ir.bottom + m_margin.cy) {
        return false;
    }
    CPntTracker tracker = MakeTracker();
    int hit = tracker.HitTest(client);
    if (m_readOnly || (hit == hitMiddle && m_selection == ImageRect())) hit = hitNothing;
    OnBeginTrack();
    m_trackUndidMove = false;
    m_trackModifiers = mods;
    if (m_mode == kModeText) {
        StartTextTrack(hit);
        tracker = MakeTracker();
    } else if (hit == hitMiddle) {
        if (m_floatingLive) {
            // Successive drags move the first-selected pixels, not a pile of copies.
            const CRect keep = m_selection;
            m_trackUndidMove = Undo();
            m_selection = keep;
            tracker = MakeTracker();
        }
        if (m_floatingPending) {
            FillFloating(m_floatingRect);
            m_floatingPending = false;
        }
        if (!TakeShapeBackup()) {
            OnEndTrack();
            return false;
        }
        m_moveNotCopy = !(mods & Qt::ControlModifier);
        m_modeBeforeMove = m_mode;
        m_mode = kModeMove;
    }
    tracker.Begin(client, hit);
    m_tracker = tracker;
    return true;
}

void CPntCtrl::TrackTo(CPoint client) {
    if (!m_tracker || !m_tracker->IsTracking()) return;
    if (m_tracker->Move(client)) {
        SetSelectionRect(m_tracker->Tracked(), true);
        OnTrackChanged();
    }
}

void CPntCtrl::FinishTrack(CPoint client) {
    if (!m_tracker) return;
    const bool ok = m_tracker->End(client);
    const CRect result = m_tracker->Rect();
    m_tracker.reset();
    if (m_mode == kModeText) {
        FinishTextTrack(ok, result);
    } else if (m_mode == kModeMove) {
        m_mode = m_modeBeforeMove;
        RestoreShapeBackup(true);
        m_selection = result;
        if (ok) {
            SaveUndoStep();
            EraseMoveSource();
            DrawFloating(result);
            SetModified(true);
            m_floatingLive = true;
        } else if (m_trackUndidMove && Redo()) {
            // A click that did not move keeps the earlier move.
            m_floatingLive = true;
        }
    } else {
        m_selection = result;
        if (ok && m_mode == kModeSelect) CaptureSelection(result);
    }
    OnEndTrack();
    Refresh();
}

void CPntCtrl::CancelTrack() {
    if (!m_tracker) return;
    const CRect old = m_tracker->Rect();
    m_tracker->Cancel();
    m_tracker.reset();
    m_selection = old;
    if (m_mode == kModeText) {
        CancelTextTrack();
    } else if (m_mode == kModeMove) {
        m_mode = m_modeBeforeMove;
        RestoreShapeBackup(true);
        if (m_trackUndidMove && Redo()) m_floatingLive = true;
    }
    OnEndTrack();
    Refresh();
}

// ---- clipboard

bool CPntCtrl::CanCopy() const {
    if (!m_image.HasImage()) return false;
    if (m_mode == kModeText) return true;
    return (m_mode == kModeSelect || m_selectionVisible) &&
           !m_selection.Normalised().Intersected(ImageRect()).IsEmpty();
}

bool CPntCtrl::Copy() {
    if (m_mode == kModeText) {
        TextBar().Copy();
        return true;
    }
    if (!CanCopy()) return false;
    const CRect r = m_selection.Normalised().Intersected(ImageRect());
    return m_image.CopyToClipboard(&r);
}

bool CPntCtrl::Cut() {
    if (m_readOnly) return false;
    if (m_mode == kModeText) {
        TextBar().Cut();
        return true;
    }
    if (!Copy()) return false;
    return EraseSelection(&m_selection, true);
}

bool CPntCtrl::CanPaste() const {
    if (m_readOnly) return false;
    if (m_mode == kModeText) return CPntTextFmtBar::CanPaste();
    return m_image.HasImage() && CDIBSection::ClipboardHasBitmap();
}

bool CPntCtrl::Paste() {
    if (m_readOnly) return false;
    if (m_mode == kModeText) {
        TextBar().Paste();
        return true;
    }
    const CRect s = m_selection.Normalised();
    if (s.IsEmpty()) return false;
    const CSize c = CDIBSection::ClipboardBitmapSize();
    if (c.cx <= 0 || c.cy <= 0 || !m_image.HasImage()) return false;

    const bool larger = c.cx > s.Width() || c.cy > s.Height();
    const bool whole = !m_selectionVisible || s == ImageRect();
    CRect target{s.left, s.top, s.left + c.cx, s.top + c.cy};
    if (larger && !whole) {
        using namespace platform;
        const int answer = Platform().prompt->MessageBox(this, m_cropPrompt, QStringLiteral("Tessaly"),
                                                         Buttons::YesNoCancel, Icon::Question);
        if (answer == IDCANCEL) return false;
        if (answer == IDNO) {
            target.right = std::min(target.right, m_image.Width());
            target.bottom = std::min(target.bottom, m_image.Height());
        } else {
            target.right = s.left + std::min(s.Width(), c.cx);
            target.bottom = s.top + std::min(s.Height(), c.cy);
        }
        if (target.IsEmpty()) return false;
    }
    m_selection = target;
    if (!MakeLikeImage(m_floating, target.Width(), target.Height())) return false;
    const CRect inBuffer{0, 0, target.Width(), target.Height()};
    const bool keyed = m_transparentBackground && m_backColour != kNoColour;
    const bool pasted = keyed ? m_floating.PasteKeyed(inBuffer, m_backColour, m_pasteFlag)
                              : m_floating.PasteFromClipboard(inBuffer, m_pasteFlag);
    if (!pasted) return false;
    SaveUndoStep();
    DrawFloating(target);
    SetModified(true);
    m_moveNotCopy = false;
    m_floatingRect = target;
    m_floatingPasted = true;
    m_floatingPending = false;
    m_floatingLive = true;
    Refresh();
    return true;
}

// ---- undo

void CPntCtrl::ClearHistory() {
    // A live text whose rendering can no longer be taken back ends as it is drawn.
    if (m_textRendered) EndText();
    m_history.clear();
    m_historyTags.clear();
    m_undoPos = -1;
}

bool CPntCtrl::CanUndo() const { return !m_history.empty() && m_undoPos != 0; }

bool CPntCtrl::CanRedo() const {
    return m_undoPos >= 0 && m_undoPos != static_cast<int>(m_history.size()) - 1 &&
           !m_history.empty();
}

bool CPntCtrl::SaveUndoStep() {
    if (m_undoPos >= 0) {
        // The undone states and the one shown now go; a fresh snapshot follows.
        m_history.erase(m_history.begin() + m_undoPos, m_history.end());
        m_historyTags.erase(m_historyTags.begin() + m_undoPos, m_historyTags.end());
        m_undoPos = -1;
    }
    if (m_undoDepth <= 0) return false;
    std::unique_ptr<CDIBSection> snapshot;
    if (static_cast<int>(m_history.size()) >= m_undoDepth &&
        m_history.front()->ImageSize() == m_image.ImageSize()) {
        // The oldest snapshot is dropped anyway; its storage fits, so the copy cannot fail and
        // fresh memory is not touched for every step.
        snapshot = std::move(m_history.front());
        m_history.pop_front();
        m_historyTags.pop_front();
        snapshot->CopyFrom(m_image);
    } else {
        snapshot = std::make_unique<CDIBSection>();
        if (!snapshot->CopyFrom(m_image)) return false;
    }
    while (!m_history.empty() && static_cast<int>(m_history.size()) >= m_undoDepth) {
        m_history.pop_front();
        m_historyTags.pop_front();
    }
    m_history.push_back(std::move(snapshot));
    m_historyTags.push_back(StateTag());
    return true;
}

bool CPntCtrl::ReplaceImageKeepingHistory(CDIBSection&& image) {
    if (!image.HasImage()) return false;
    if (m_undoPos >= 0) {
        m_history.erase(m_history.begin() + m_undoPos, m_history.end());
        m_historyTags.erase(m_historyTags.begin() + m_undoPos, m_historyTags.end());
        m_undoPos = -1;
    }
    if (m_undoDepth > 0) {
        while (!m_history.empty() && static_cast<int>(m_history.size()) >= m_undoDepth) {
            m_history.pop_front();
            m_historyTags.pop_front();
        }
        // The image shown becomes the snapshot as it is: no copy.
        m_history.push_back(std::make_unique<CDIBSection>(std::move(m_image)));
        m_historyTags.push_back(StateTag());
    }
    m_image = std::move(image);
    return true;
}

bool CPntCtrl::Undo() {
    // The user's undo in text mode ends the text; the text tool's own does not.
    if (m_mode == kModeText && !m_textUndoing) EndText();
    if (m_history.empty()) return false;
    m_floatingLive = false;
    if (m_undoPos < 0) {
        auto snapshot = std::make_unique<CDIBSection>();
        if (!snapshot->CopyFrom(m_image)) return false;
        m_history.push_back(std::move(snapshot));
        m_historyTags.push_back(StateTag());
        m_undoPos = static_cast<int>(m_history.size()) - 1;
    }
    if (m_undoPos == 0) return false;
    --m_undoPos;
    if (!m_image.CopyFrom(*m_history[static_cast<std::size_t>(m_undoPos)])) return false;
    RestoreStateTag(m_historyTags[static_cast<std::size_t>(m_undoPos)]);
    NotifyImageChanged();
    UpdateScrollBars();
    ResetSelection();
    Refresh();
    return true;
}

bool CPntCtrl::Redo() {
    if (m_undoPos < 0 || m_history.empty() ||
        m_undoPos == static_cast<int>(m_history.size()) - 1) {
        return false;
    }
    ++m_undoPos;
    if (!m_image.CopyFrom(*m_history[static_cast<std::size_t>(m_undoPos)])) return false;
    RestoreStateTag(m_historyTags[static_cast<std::size_t>(m_undoPos)]);
    NotifyImageChanged();
    UpdateScrollBars();
    Refresh();
    return true;
}

// ---- keys

void CPntCtrl::keyPressEvent(QKeyEvent* event) {
    const bool ctrl = event->modifiers() & Qt::ControlModifier;
    if (event->key() == Qt::Key_Delete && m_mode != kModeText) {
        EraseSelection(&m_selection, true);
        ResetSelection();
        return;
    }
    if (ctrl && event->key() == Qt::Key_Z && !m_dragging && !IsTracking()) {
        Undo();
        return;
    }
    if (ctrl && event->key() == Qt::Key_Y && !m_dragging && !IsTracking()) {
        if (m_mode == kModeText) EndText();
        Redo();
        return;
    }
    if (event->key() == Qt::Key_Escape) {
        EscapeKey();
        return;
    }
    if (m_mode == kModeText && m_floatingLive && m_textBar && m_textBar->Exists()) {
        m_textBar->ForwardKey(*event);
        return;
    }
    QAbstractScrollArea::keyPressEvent(event);
}

void CPntCtrl::EscapeKey() {
    if (m_cancelled) return;
    if (IsTracking()) {
        m_cancelled = true;
        CancelTrack();
        return;
    }
    const bool wasDragging = m_dragging;
    if (m_dragging) m_cancelled = true;
    if (IsShapeMode(m_mode) || m_mode == kModeSampler) {
        RestoreShapeBackup(true);
        Refresh();
        return;
    }
    if (m_mode == kModeAirbrush) {
        StopAirbrush();
        if (wasDragging) Undo();
        return;
    }
    Undo();
}

// ---- image properties

bool CPntCtrl::EditImageProperties() {
    using platform::Platform;
    CPntDimDlg dialog(this);
    if (!m_image.HasImage()) {
        dialog.SetValues(32, 32, 8);
        dialog.SetCropAllowed(false);
        if (Platform().dialogs->RunModal(dialog) != 1) return false;
        return CreateBlank(dialog.Width(), dialog.Height(), 1, dialog.BitsPerPixel());
    }
    const CRect selection = m_selection.Normalised();
    dialog.SetValues(m_image.Width(), m_image.Height(), m_image.BitsPerPixel());
    dialog.SetCropAllowed(m_selectionVisible && selection != ImageRect());
    if (Platform().dialogs->RunModal(dialog) != 1) return false;
    SaveUndoStep();
    bool ok = false;
    if (dialog.Crop()) {
        const CRect r = selection.Intersected(ImageRect());
        ok = !r.IsEmpty() &&
             m_image.ChangeFormat(r.Width(), r.Height(), 1, dialog.BitsPerPixel(), r.TopLeft());
    } else {
        ok = m_image.ChangeFormat(dialog.Width(), dialog.Height(), 1, dialog.BitsPerPixel(), {0, 0});
    }
    if (!ok) return false;
    SetModified(true);
    UpdateScrollBars();
    ResetSelection();
    Refresh();
    return true;
}

} // namespace tsl
