#pragma once
// "Tip of the Day" (dialog 104): one tip at a time from program folder + "tips.txt".
//
// The tips file is opened with C stdio at construction and kept open until destruction, which
// stores the reading position in the profile ("Tip"/"FilePos") so the next tip shown, in this
// run or the next, follows the last one. A changed modification time ("Tip"/"TimeStamp", the
// 24-character calendar-time text) restarts the tips at the beginning of the file.
//
// Lines are read as fgets reads them with a 1000-byte buffer, so a line longer than 999
// characters comes in pieces. A line starting with tab, line feed, space or ';' is skipped;
// so is one starting with a carriage return, the blank line of a file written with CR LF
// line ends. The tip is shown without its line end.
//
// A file that holds no tip line at all is detected after one full pass over it: the tip text
// becomes "There are no tips in the tips file." and Next Tip is disabled.
//
// Close stores "Tip"/"StartUp": 0 when "Show Tips on StartUp" is ticked, 1 when it is not.

#include <QDialog>
#include <QString>

#include <cstdio>
#include <ctime>

class QCheckBox;
class QLabel;
class QPushButton;

namespace tsl {

class CTipDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr int kDialogId = 104;
    static constexpr int kShowAtStartUpId = 1001;
    static constexpr int kNextTipId = 1002;
    static constexpr int kTipTextId = 1004;

    explicit CTipDlg(QWidget* parent = nullptr);
    ~CTipDlg() override;

    // Whether the profile asks for the tip at start-up ("Tip"/"StartUp" is 0 or absent).
    static bool ShowAtStartUp();
    // The calendar-time text of a time as the C library's ctime gives it (local time, English
    // names), without the trailing line feed: "Www Mmm dd hh:mm:ss yyyy".
    static QString CalendarTimeText(std::time_t time);

    QString TipText() const { return m_tip; }
    bool IsNextTipEnabled() const;
    bool IsShowAtStartUpTicked() const;

public slots:
    // Reads the next tip and shows it.
    void NextTip();
    // Closes the dialog, then stores the start-up flag.
    void accept() override;

private:
    void BuildControls();
    void ReadNextTip();
    bool SeekTo(long position);
    void SetTip(const QString& text);

    std::FILE* m_file = nullptr;
    QString m_tip;
    QLabel* m_tipText = nullptr;
    QCheckBox* m_startUpBox = nullptr;
    QPushButton* m_nextTip = nullptr;
};

} // namespace tsl
