#pragma once
// The About box (dialog 100): program name and version, the maker's e-mail and web address as
// links, its postal address and title.

#include <QDialog>

namespace tsl {

class CHyperlinkLabel;

class CAboutDlg : public QDialog {
    Q_OBJECT
public:
    explicit CAboutDlg(QWidget* parent = nullptr);
    CHyperlinkLabel* EmailLink() const { return m_email; }
    CHyperlinkLabel* WebLink() const { return m_web; }

private:
    CHyperlinkLabel* m_email;
    CHyperlinkLabel* m_web;
};

} // namespace tsl
