#pragma once
// CCustToolBar: a CToolBarEx the user rearranges in a customisation dialog of our own (a right
// click on the bar opens it), that can return to its default layout, and that keeps its layout
// in the profile.
//
// A layout is a list of 20-byte button records. On disk (little-endian):
//   bytes 0-3   bitmap: the button's index among the available buttons; for a separator its
//               width in pixels, 0 for the standard width
//   bytes 4-7   command identifier; 0 for a separator
//   byte  8     state: 0x01 checked, 0x02 pressed, 0x04 enabled, 0x08 hidden,
//               0x10 indeterminate, 0x20 wrap (a new row starts after the button)
//   byte  9     style: 0x00 button, 0x01 separator, 0x02 check button, 0x04 group,
//               0x06 check button of a group
//   bytes 10-11 reserved, 0
//   bytes 12-15 application data, 0
//   bytes 16-19 string index, -1 (none)
// The saved state is a 32-bit count followed by that many records. It is kept in the profile
// section of the bar as the value "ToolBar State(0x%04X)" with the bar's control identifier,
// written as hexadecimal text (the profile holds text and integers), with the integer
// "Separator Width" beside it; an archive holds a 16-bit length and the same bytes.
//
// Loading applies only a state whose length is exactly 4 + 20 x count with a count of at most
// kMaxStateButtons; anything else (and text that is not hexadecimal) is ignored and the layout
// stays as it is. When a layout is applied, only the hidden bit of the state is taken (the
// command's update handlers own enabled and checked), and records of commands the bar does
// not offer, or already placed, are skipped.
//
// Applying a layout removes every entry and inserts the recorded ones; a child control set for
// a command (SetButtonControl) stands in the command's place and is hidden when its command is
// no longer on the bar; separators take the separator width once it is set (>= 0). After each
// change in the dialog the bar recomputes its size and, when it has a section name, saves its
// state there; a bar with an empty section name is never saved.

#include "ui/ToolBarEx.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

class QDataStream;

namespace tsl {

struct ToolBarButton {
    enum State : std::uint8_t {
        kChecked = 0x01,
        kPressed = 0x02,
        kEnabled = 0x04,
        kHidden = 0x08,
        kIndeterminate = 0x10,
        kWrap = 0x20,
    };
    enum Style : std::uint8_t {
        kButton = 0x00,
        kSeparator = 0x01,
        kCheck = 0x02,
        kGroup = 0x04,
        kCheckGroup = 0x06,
    };
    static constexpr int kSize = 20;

    std::int32_t bitmap = 0;
    std::int32_t command = 0;
    std::uint8_t state = kEnabled;
    std::uint8_t style = kButton;
    std::int32_t data = 0;
    std::int32_t string = -1;

    bool IsSeparator() const { return (style & kSeparator) != 0; }
    bool operator==(const ToolBarButton&) const = default;
};
using ToolBarLayout = std::vector<ToolBarButton>;

inline constexpr int kMaxStateButtons = 1000;

QByteArray EncodeToolBarState(const ToolBarLayout& layout);
// The layout of a saved state; nothing when the bytes are not a well-formed state.
std::optional<ToolBarLayout> DecodeToolBarState(const QByteArray& bytes);

class CCustToolBar : public CToolBarEx {
    Q_OBJECT
public:
    CCustToolBar(const QString& title, int controlId, QWidget* parent = nullptr);
    ~CCustToolBar() override;

    int ControlId() const { return m_controlId; }
    // "ToolBar State(0x%04X)" with the control identifier.
    QString StateValueName() const;

    // Records the bar's present entries as the available buttons and the default layout.
    void LoadToolBar();
    const ToolBarLayout& AvailableButtons() const { return m_available; }
    const ToolBarLayout& DefaultLayout() const { return m_default; }
    // The layout the bar shows now.
    ToolBarLayout CurrentLayout() const;
    void ApplyLayout(const ToolBarLayout& layout);
    // The action of an available button; null for an unknown command.
    QAction* ButtonAction(int command) const;
    // The text the customisation dialog shows for a command: its tool tip, else its text.
    QString ButtonText(int command) const;

    void SetSeparatorWidth(int width);
    int SeparatorWidth() const { return m_separatorWidth; }
    void SetSectionName(const QString& section) { m_section = section; }
    QString SectionName() const { return m_section; }

    void SaveState(const QString& section) const;
    // Reads the separator width and the state of a section; remembers the section when asked.
    // True when a state was applied.
    bool LoadState(const QString& section, bool rememberSection);
    void WriteArchive(QDataStream& stream) const;
    bool ReadArchive(QDataStream& stream);

    // Customisation: the dialog runs modally through the platform's dialog runner.
    void Customize();
    void BeginAdjust();
    void EndAdjust();
    bool IsAdjusting() const { return m_start.has_value(); }
    // With control: the default layout; otherwise the layout at the start of this
    // customisation. Then as any change.
    void Reset(bool control);
    void ShowHelp();
    // After a change: size recalculated, state saved under the section name when there is one.
    void ToolBarChanged();

signals:
    void layoutChanged();

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    ToolBarButton RecordFor(QAction* action) const;
    void ApplySeparatorWidth();

    int m_controlId;
    QString m_section;
    ToolBarLayout m_available;
    ToolBarLayout m_default;
    std::optional<ToolBarLayout> m_start;
    int m_separatorWidth = -1;
    std::vector<QAction*> m_buttonActions; // the available buttons' actions, by bitmap index
};

} // namespace tsl
