#pragma once
// File names as the file system holds them: bytes, not always UTF-8. Qt's own decoding
// replaces bytes that are not UTF-8 and cannot give them back, so a name read from a folder
// would no longer open. DecodeFileName keeps each such byte b as the lone surrogate
// U+DC00 + b, and EncodeFileName turns it back into b: any name survives the trip through a
// QString unchanged, and a UTF-8 name decodes as Qt decodes it.

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <string>

namespace tsl {

QString DecodeFileName(const QByteArray& bytes);
QByteArray EncodeFileName(const QString& name);
inline std::string NativePath(const QString& path) { return EncodeFileName(path).toStdString(); }

// The name for the user's eyes: each kept byte shown as U+FFFD.
QString DisplayFileName(const QString& name);

// path made absolute against the working folder and cleaned ("..", "//"), as text: the file
// system is not asked.
QString AbsoluteFilePath(const QString& path);

// The file URI of an absolute path, its bytes percent-encoded as the desktop's libraries do
// ("file:///photos/a%20b.jpg"; a byte that is not UTF-8 stays that byte, as %XX).
QByteArray FileUri(const QString& absolutePath);

// stat() of the path's own bytes: a regular file, a folder, anything that exists (lstat).
bool IsRegularFile(const QString& path);
bool IsFolderPath(const QString& path);
bool PathExists(const QString& path);

// The names in folder read as bytes, so every name survives ("." and ".." left out, hidden
// names kept), in the listing's own order: its plain files (links followed; no FIFOs, devices
// or folders), or its sub-folders. Empty when the folder cannot be read.
enum class FolderEntryKind { PlainFiles, Folders };
QStringList FolderEntryNames(const QString& folder, FolderEntryKind kind);

// Name order for listings: ignoring case, ties by the exact name.
bool FileNameLess(const QString& a, const QString& b);

} // namespace tsl
