#pragma once
// CCoolCombo: a drop-down picture chooser. The control shows a face (the current item's
// picture, or a face picture) beside an arrow; a click, Space, F4 or Alt+Down opens a
// borderless popup under its bottom-left corner: an optional title, an optional default
// entry, a grid of cells and optional extra entries (text rows below the grid).
//
// Choosing closes the popup first, then the control records the choice and notifies the
// owner through notified(code, data):
//   1975  the highlight moved to a cell (data: the cell's index, or its colour in a picker)
//   1976  the popup opened                     1977  the popup closed (any reason)
//   1978  a cell was chosen (data: its index, or its colour in a picker)
//   1979  the popup was closed without a choice (Escape, a click outside), or a picker's
//         colour dialog was cancelled
//   1980  the default entry was chosen (the current index becomes -1)
//   1981  an extra entry was chosen (data: its index; the current index becomes 1000 + index)
//   1982  the popup is about to open: the owner may refresh the items and selection
//   1984  the highlight moved to the default entry (data -1) or an extra entry (1000 + index)
//   1985  a colour picker is about to open the colour dialog
//
// Popup slots: -1 the default entry, 0..n-1 the cells, 1000 + i the extra entries, kNoSlot
// none. Arrow keys move the highlight over the slots, Enter or Space chooses, Escape cancels.

#include <QImage>
#include <QList>
#include <QPixmap>
#include <QPointer>
#include <QStringList>
#include <QWidget>

namespace tsl {

class CCoolComboPopup;

class CCoolCombo : public QWidget {
    Q_OBJECT
public:
    enum Notification : int {
        kNotifyHighlight = 1975,
        kNotifyPopupOpened = 1976,
        kNotifyPopupClosed = 1977,
        kNotifyChosen = 1978,
        kNotifyCancelled = 1979,
        kNotifyDefault = 1980,
        kNotifyExtra = 1981,
        kNotifyUpdate = 1982,
        kNotifyHighlightEntry = 1984,
        kNotifyMoreColours = 1985,
    };
    static constexpr int kExtraBase = 1000;
    static constexpr int kNoSlot = -2;
    static constexpr int kArrowWidth = 12;

    explicit CCoolCombo(QWidget* parent = nullptr);
    ~CCoolCombo() override;

    // The pictures of the cells, all drawn at the cell size.
    void SetItems(const QList<QPixmap>& pictures);
    // Cuts a strip into cells cellWidth wide; pixels of the transparent colour are clear.
    void SetItemStrip(const QImage& strip, int cellWidth, QRgb transparent);
    QPixmap Item(int index) const;
    virtual int ItemCount() const { return static_cast<int>(m_items.size()); }
    void SetFacePicture(const QPixmap& picture);
    QPixmap FacePicture() const { return m_face; }
    // The size of one popup cell; by default the largest picture plus 4.
    void SetCellSize(QSize size) { m_cellSize = size; }
    QSize CellSize() const;
    void SetColumns(int columns) { m_columns = std::max(1, columns); }
    int Columns() const { return m_columns; }
    void SetTitle(const QString& title) { m_title = title; }
    QString Title() const { return m_title; }
    void EnableDefaultEntry(bool enabled) { m_defaultEnabled = enabled; }
    bool HasDefaultEntry() const { return m_defaultEnabled; }
    void SetDefaultEntryText(const QString& text) { m_defaultText = text; }
    QString DefaultEntryText() const { return m_defaultText; }
    void SetExtraEntries(const QStringList& texts) { m_extra = texts; }
    QStringList ExtraEntries() const { return m_extra; }

    // -1 none (or the default entry), 0..n-1 an item, 1000 + i an extra entry.
    int CurrentIndex() const { return m_current; }
    void SetCurrentIndex(int index);

    bool IsPopupOpen() const { return m_popup != nullptr; }
    CCoolComboPopup* Popup() const { return m_popup; }
    void ShowPopup();
    void ClosePopup();

    QSize sizeHint() const override;

signals:
    void notified(int code, int data);

protected:
    friend class CCoolComboPopup;

    // Draws one cell's content (the frame and hot or current bevel are drawn around it).
    virtual void DrawCell(QPainter& painter, const QRect& cell, int index, bool enabled);
    // Draws the face area of the control.
    virtual void DrawFace(QPainter& painter, const QRect& face);
    // The slot the popup shows as current.
    virtual int CurrentSlot() const { return m_current; }
    // The data of a highlight or choice notification for a cell.
    virtual int CellData(int index) const { return index; }
    // The text shown for a cell as its tool tip; empty for none.
    virtual QString CellTip(int index) const;
    // Acts on a choice made in the popup, which is already closed.
    virtual void ChooseCell(int index);
    virtual void ChooseDefault();
    virtual void ChooseExtra(int index);
    // The highlight moved in the open popup.
    virtual void HighlightChanged(int slot);

    QRect FaceRect() const;
    QRect ArrowRect() const;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void PopupClosed(bool chosen);
    void Choose(int slot);

    QList<QPixmap> m_items;
    QPixmap m_face;
    QSize m_cellSize;
    int m_columns = 1;
    QString m_title;
    bool m_defaultEnabled = true;
    QString m_defaultText = QStringLiteral("Automatic");
    QStringList m_extra;
    int m_current = -1;
    QPointer<CCoolComboPopup> m_popup;
};

// The popup grid of a CCoolCombo.
class CCoolComboPopup : public QWidget {
    Q_OBJECT
public:
    explicit CCoolComboPopup(CCoolCombo* owner);

    // Where a slot lies in the popup; an empty rectangle for a slot it does not show.
    QRect SlotRect(int slot) const;
    int SlotAt(QPoint point) const;
    int HotSlot() const { return m_hot; }
    void SetHotSlot(int slot);
    // Chooses a slot as a click on it does.
    void ChooseSlot(int slot);
    void Layout();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    bool event(QEvent* event) override;

private:
    friend class CCoolCombo;
    void DrawBox(QPainter& painter, const QRect& rect, int slot, const QString& text);
    QList<int> Slots() const;

    CCoolCombo* m_owner;
    int m_hot = CCoolCombo::kNoSlot;
    bool m_chosen = false;
    bool m_notified = false;
    QRect m_title, m_default, m_grid;
    QList<QRect> m_extraRects;
};

} // namespace tsl
