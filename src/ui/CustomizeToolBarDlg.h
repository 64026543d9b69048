#pragma once
// "Customize Toolbar": the customisation dialog of a CCustToolBar. The left list holds
// "Separator" and the available buttons that are not on the bar, the right list the bar's
// entries in order. Every change is made on the bar at once (which saves its state when it
// has a section name):
//   Insert     the selected available entry goes before the selected bar entry (at the end
//              when none is selected); double-clicking an available entry does the same;
//   Remove     the selected bar entry goes back to the available list (double-click too);
//   Move Up / Move Down  the selected bar entry changes places with its neighbour;
//   Reset      the layout at the opening of the dialog; with Ctrl held at the click (as the
//              click's or key's own modifiers say), the bar's default layout;
//   Help       the message "Help not implemented!";
//   Close      ends the dialog.

#include <QDialog>
#include <QStringList>

class QListWidget;
class QPushButton;

namespace tsl {

class CCustToolBar;

class CCustomizeToolBarDlg : public QDialog {
    Q_OBJECT
public:
    CCustomizeToolBarDlg(CCustToolBar* bar, QWidget* parent = nullptr);
    ~CCustomizeToolBarDlg() override;

    QListWidget* AvailableList() const { return m_available; }
    QListWidget* CurrentList() const { return m_current; }
    QStringList AvailableTexts() const;
    QStringList CurrentTexts() const;
    QPushButton* InsertButton() const { return m_insert; }
    QPushButton* RemoveButton() const { return m_remove; }
    QPushButton* UpButton() const { return m_up; }
    QPushButton* DownButton() const { return m_down; }
    QPushButton* ResetButton() const { return m_reset; }
    QPushButton* HelpButton() const { return m_help; }

    // The operations of the buttons; rows of the two lists, currentRow -1 meaning the end.
    void Insert(int availableRow, int currentRow);
    void Remove(int currentRow);
    void MoveUp(int currentRow);
    void MoveDown(int currentRow);
    void Reset(bool control);
    void Help();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Refresh(int selectCurrent);
    void UpdateButtons();

    CCustToolBar* m_bar;
    QListWidget* m_available;
    QListWidget* m_current;
    QPushButton* m_insert;
    QPushButton* m_remove;
    QPushButton* m_up;
    QPushButton* m_down;
    QPushButton* m_reset;
    QPushButton* m_help;
    QPushButton* m_close;
    Qt::KeyboardModifiers m_resetModifiers;
};

} // namespace tsl
