#include "imagefiles/temporary_files.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <mutex>
#include <random>

namespace corvane {

namespace {

// A file of a dead process that was written less than this long ago may
// still be in use by a writer this process cannot see.
constexpr time_t kStaleAfterSeconds = 60;

// Slots the signal handler reads: a folder descriptor (-1 free, -2 being
// filled) and a name. Plain arrays, so the handler allocates nothing.
constexpr int kSlots = 64;
constexpr std::size_t kNameSize = 64;
struct TSlot {
    std::atomic<int> FolderFd{-1};
    char Name[kNameSize] = {};
};
TSlot gSlots[kSlots];

extern "C" void RemoveTemporariesAndReraise(int signal) {
    const int saved = errno;
    for (TSlot& slot : gSlots) {
        const int fd = slot.FolderFd.load(std::memory_order_acquire);
        if (fd >= 0) ::unlinkat(fd, slot.Name, 0);
    }
    errno = saved;
    // SA_RESETHAND has put back the default action; the signal is blocked
    // until this handler returns, and then ends the process as it would have.
    ::raise(signal);
}

void InstallHandlers() {
    for (const int sig : {SIGINT, SIGTERM, SIGHUP}) {
        struct sigaction old {};
        if (::sigaction(sig, nullptr, &old) != 0) continue;
        // A program's own handler, or an ignored signal (nohup), is kept.
        if (!(old.sa_flags & SA_SIGINFO) && old.sa_handler != SIG_DFL) continue;
        if ((old.sa_flags & SA_SIGINFO) && old.sa_sigaction != nullptr) continue;
        struct sigaction action {};
        action.sa_handler = RemoveTemporariesAndReraise;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESETHAND;
        ::sigaction(sig, &action, nullptr);
    }
}

}  // namespace

std::string NewTemporaryName() {
    static constexpr char kLetters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    thread_local std::mt19937 random{std::random_device{}()};
    std::uniform_int_distribution<std::size_t> pick(0, sizeof kLetters - 2);
    std::string name = kTemporaryPrefix + std::to_string(::getpid()) + "-";
    for (int i = 0; i < 6; ++i) name += kLetters[pick(random)];
    return name;
}

pid_t TemporaryOwner(const std::string& name) {
    const std::size_t prefix = std::strlen(kTemporaryPrefix);
    if (name.compare(0, prefix, kTemporaryPrefix) != 0) return -1;
    const std::size_t dash = name.find('-', prefix);
    if (dash == std::string::npos || dash == prefix || dash > prefix + 10 || name.size() != dash + 7)
        return -1;
    long pid = 0;
    for (std::size_t i = prefix; i < dash; ++i) {
        if (name[i] < '0' || name[i] > '9') return -1;
        pid = pid * 10 + (name[i] - '0');
    }
    for (std::size_t i = dash + 1; i < name.size(); ++i)
        if (!std::isalnum(static_cast<unsigned char>(name[i]))) return -1;
    return pid > 0 ? static_cast<pid_t>(pid) : -1;
}

int RegisterTemporary(int folderFd, const std::string& name) {
    static std::once_flag installed;
    std::call_once(installed, InstallHandlers);
    if (name.size() >= kNameSize) return -1;
    for (int i = 0; i < kSlots; ++i) {
        int expected = -1;
        if (!gSlots[i].FolderFd.compare_exchange_strong(expected, -2)) continue;
        std::memcpy(gSlots[i].Name, name.c_str(), name.size() + 1);
        gSlots[i].FolderFd.store(folderFd, std::memory_order_release);
        return i;
    }
    return -1;
}

void ForgetTemporary(int slot) {
    if (slot >= 0 && slot < kSlots) gSlots[slot].FolderFd.store(-1, std::memory_order_release);
}

void RemoveStaleTemporaries(const std::string& folder) {
    const int fd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    DIR* dir = ::fdopendir(fd);
    if (!dir) {
        ::close(fd);
        return;
    }
    const time_t now = ::time(nullptr);
    const pid_t self = ::getpid();
    while (const dirent* entry = ::readdir(dir)) {
        const pid_t owner = TemporaryOwner(entry->d_name);
        if (owner < 0 || owner == self) continue;
        if (::kill(owner, 0) == 0 || errno != ESRCH) continue;  // alive, or not ours to ask
        struct stat st {};
        if (::fstatat(fd, entry->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(st.st_mode)) continue;
        if (now - st.st_mtime < kStaleAfterSeconds) continue;
        ::unlinkat(fd, entry->d_name, 0);
    }
    ::closedir(dir);
}

}  // namespace corvane
