// The desktop trash of the freedesktop.org Trash specification, through GIO:
// the file goes to the trash of its file system (the user's own, or the
// mount's .Trash-UID), with the .trashinfo that lets a file manager restore it.
#pragma once

#include <string>

namespace corvane {

// Throws ETrashError "ファイル %s をごみ箱へ移せません: <reason>" when the
// trash cannot take the file (for example a file system without one); the
// file then stays where it is.
void MoveToDesktopTrash(const std::string& path);

}  // namespace corvane
