#pragma once
// File copies and moves that never lose a file.
//
// A copy is written beside the target under a temporary name, checked to hold as many bytes as
// the source, and only then takes the target's name: a full disk or a failed write leaves no
// partial target and never damages a file that was there. Without permission to overwrite, an
// existing target is never replaced, not even by one created meanwhile.
//
// A move within one file system is a rename. Otherwise (or when the rename is refused) it is a
// copy, and the source is deleted only once its copy exists at the target with the source's
// size.

#include <QString>

namespace tsl {

// Whether two spellings name the same folder (trailing slashes, "..", symbolic links).
bool SameFolder(const QString& a, const QString& b);

bool CopyFileSafely(const QString& source, const QString& target, bool overwrite);

enum class MoveResult {
    Moved,        // the file is at the target and no longer at the source
    CopyFailed,   // nothing changed: the source is where it was
    DeleteFailed, // copied, but the source could not be deleted: the file is in both places
};
MoveResult MoveFileSafely(const QString& source, const QString& target, bool overwrite);

} // namespace tsl
