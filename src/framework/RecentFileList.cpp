#include "framework/RecentFileList.h"

#include "platform/FileNames.h"
#include "platform/Platform.h"


namespace tsl {
namespace {
const QString kSection = QStringLiteral("Recent File List");
QString Key(int i) { return QStringLiteral("File%1").arg(i + 1); }
} // namespace

void CRecentFileList::ReadList() {
    m_files.clear();
    for (int i = 0; i < m_size; ++i) {
        QString path = platform::Platform().profile->GetString(kSection, Key(i));
        if (!path.isEmpty()) m_files << path;
    }
}

void CRecentFileList::WriteList() const {
    for (int i = 0; i < m_size; ++i) {
        if (i < m_files.size())
            platform::Platform().profile->WriteString(kSection, Key(i), m_files[i]);
        else
            platform::Platform().profile->Remove(kSection, Key(i));
    }
}

void CRecentFileList::Add(const QString& path) {
    QString full = AbsoluteFilePath(path); // as text: a name that is not UTF-8 keeps its bytes
    m_files.removeAll(full);
    m_files.prepend(full);
    while (m_files.size() > m_size) m_files.removeLast();
    WriteList();
}

void CRecentFileList::Remove(int index) {
    if (index < 0 || index >= m_files.size()) return;
    m_files.removeAt(index);
    WriteList();
}

} // namespace tsl
