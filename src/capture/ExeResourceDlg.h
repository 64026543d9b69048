#pragma once
// The resource browser of resource capture: the bitmaps, icons and cursors of one executable
// or DLL, as a tree (type, name, each image of a group) or in tabs by type, with a preview of
// the chosen picture. OK takes the chosen picture.

#include "capture/LScreenCapture.h"
#include "capture/PeResources.h"

#include <QDialog>
#include <QImage>

class QLabel;
class QListWidget;
class QTabWidget;
class QTreeWidget;

namespace tsl {

// A decoded resource picture as an image (32-bit pictures keep their alpha); null when it
// cannot be decoded.
QImage ImageOfPicture(const pe::PeResources& resources, const pe::PictureEntry& entry);
// How an entry is listed: "ICON_NAME (32 x 32, 32 bits)".
QString PictureLabel(const pe::PictureEntry& entry);

class CExeResourceDlg : public QDialog {
    Q_OBJECT
public:
    CExeResourceDlg(const pe::PeResources& resources, ExeDialogType type, const QString& fileName,
                    QWidget* parent = nullptr);

    // Chooses the index-th picture of Pictures() (as a click in the tree or a tab would).
    bool Choose(int index);
    int Chosen() const { return m_chosen; }
    QImage ChosenImage() const;

    QTreeWidget* Tree() const { return m_tree; }
    QTabWidget* Tabs() const { return m_tabs; }
    QLabel* Preview() const { return m_preview; }

private:
    void Show(int index);

    const pe::PeResources& m_resources;
    QTreeWidget* m_tree = nullptr;
    QTabWidget* m_tabs = nullptr;
    std::vector<QListWidget*> m_lists;
    QLabel* m_preview;
    QWidget* m_okEnabler = nullptr;
    int m_chosen = -1;
};

} // namespace tsl
