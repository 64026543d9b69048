#pragma once
// The one-line input dialog (dialog 153): a caption, one edit box (control 1028) holding the
// starting text with all of it selected, OK and Cancel. OK is enabled only while the box is not
// empty.

#include <QDialog>

class QLineEdit;
class QPushButton;

namespace tsl {

inline constexpr int IDD_INPUT = 153;
inline constexpr int IDC_INPUT_TEXT = 1028;

// The number a text box holds as the platform's string-to-integer reading takes it: blanks, an
// optional sign and the leading decimal digits ("150%" is 150, "12.5" is 12); no digits give 0,
// and values beyond the int range stop at its ends.
int LeadingInteger(const QString& text);

class CInputDlg : public QDialog {
    Q_OBJECT
public:
    CInputDlg(const QString& caption, const QString& text, QWidget* parent = nullptr);
    QString Text() const;
    QLineEdit* Edit() const { return m_edit; }
    QPushButton* OkButton() const { return m_ok; }

private:
    QLineEdit* m_edit;
    QPushButton* m_ok;
};

} // namespace tsl
