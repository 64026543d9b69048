#pragma once
// The recent-file list kept in the profile (section "Recent File List", values "File1".."FileN"),
// most recent first.

#include <QStringList>

namespace tsl {

class CRecentFileList {
public:
    explicit CRecentFileList(int size = 4) : m_size(size) {}
    void ReadList();
    void WriteList() const;
    void Add(const QString& path);
    void Remove(int index);
    const QStringList& Files() const { return m_files; }
    int Size() const { return m_size; }

private:
    int m_size;
    QStringList m_files;
};

} // namespace tsl
