// The hidden temporary files ".corvane-PID-XXXXXX" that output is written to
// where a file system cannot make a file without a name (O_TMPFILE). The PID
// in the name tells whose file it is: a process removes its own on SIGINT,
// SIGTERM and SIGHUP, and a later run removes those whose process is gone
// (after SIGKILL or a crash).
#pragma once

#include <sys/types.h>

#include <string>

namespace corvane {

inline constexpr const char* kTemporaryPrefix = ".corvane-";

// A fresh name ".corvane-<this PID>-XXXXXX" (six random letters or digits).
std::string NewTemporaryName();

// The PID a temporary name carries, or -1 for any other name.
pid_t TemporaryOwner(const std::string& name);

// Registers a named temporary file (folder descriptor and name) for removal
// by the signal handler, which is installed on first use for each of SIGINT,
// SIGTERM and SIGHUP still at its default action. Returns a slot to pass to
// ForgetTemporary, or -1 when every slot is taken (the file is then left to
// RemoveStaleTemporaries).
int RegisterTemporary(int folderFd, const std::string& name);
void ForgetTemporary(int slot);

// Removes from the folder the temporary files of processes that no longer
// exist and that nobody has written for a minute (a process of another PID
// namespace or host sharing the folder would still be writing its own).
// Files of this process and unreadable folders are left alone.
void RemoveStaleTemporaries(const std::string& folder);

}  // namespace corvane
