#include "platform/FileContents.h"

#include <atomic>
#include <cerrno>
#include <system_error>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace zv_files {
namespace {

std::string systemReason(int error) { return std::system_category().message(error); }

bool fail(std::string *error, const fs::path &shown, const std::string &reason) {
    if (error)
        *error = shown.string() + ": cannot be written: " + reason;
    return false;
}

// The file a path names: a symbolic link's target, so that saving keeps the link.
fs::path followLink(const fs::path &path) {
    std::error_code ec;
    if (!fs::is_symlink(fs::symlink_status(path, ec)))
        return path;
    fs::path resolved = fs::weakly_canonical(path, ec);
    return ec ? path : resolved;
}

// Whether `target` may be replaced: nothing there yet, or a regular file this process may write.
// `mode` receives the permissions of an existing file, -1 when there is none.
bool targetCanBeReplaced(const fs::path &shown, const fs::path &target, int &mode,
                         std::string *error) {
    mode = -1;
    struct stat st {};
    if (::stat(target.c_str(), &st) != 0)
        return errno == ENOENT || fail(error, shown, systemReason(errno));
    if (S_ISDIR(st.st_mode))
        return fail(error, shown, systemReason(EISDIR));
    if (!S_ISREG(st.st_mode))
        return fail(error, shown, "it is not a regular file");
    // A file its owner made read-only is not replaced behind their back.
    if (::access(target.c_str(), W_OK) != 0)
        return fail(error, shown, systemReason(errno));
    mode = static_cast<int>(st.st_mode & 07777);
    return true;
}

// A new file beside `target`, open for writing, or -1 with errno set.
int createTemporary(const fs::path &target, fs::path &temporary) {
    static std::atomic<unsigned> serial = 0;
    const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");
    std::string stem = target.filename().string();
    if (stem.size() > 200) // the suffix must still fit a file name
        stem = "zelvar";
    for (int attempt = 0; attempt < 100; ++attempt) {
        temporary = folder / (stem + ".tmp-" + std::to_string(::getpid()) + "-" +
                              std::to_string(serial++));
        const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    return -1;
}

// Makes the rename itself last. A folder that cannot be synced still holds the whole old or the
// whole new file, so its failure changes nothing for the caller.
void syncFolder(const fs::path &target) {
    const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    (void)::fsync(fd);
    ::close(fd);
}

} // namespace

std::optional<std::string> readRegularFile(const fs::path &path, std::string *reason) {
    const auto refuse = [&](const std::string &why) -> std::optional<std::string> {
        if (reason)
            *reason = why;
        return std::nullopt;
    };
    // Opened without waiting: opening a named pipe for reading would wait for a writer.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return refuse(systemReason(errno));
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};
    // The type of what was opened, not of what the path named a moment before.
    struct stat st {};
    if (::fstat(fd, &st) != 0)
        return refuse(systemReason(errno));
    if (S_ISDIR(st.st_mode))
        return refuse(systemReason(EISDIR));
    if (!S_ISREG(st.st_mode))
        return refuse("it is not a regular file");
    std::string bytes;
    char block[1 << 16];
    for (;;) {
        const ssize_t n = ::read(fd, block, sizeof block);
        if (n > 0)
            bytes.append(block, static_cast<std::size_t>(n));
        else if (n == 0)
            return bytes;
        else if (errno != EINTR)
            return refuse(systemReason(errno));
    }
}

bool writeFileAtomically(const fs::path &path, std::string_view bytes, std::string *error) {
    const fs::path target = followLink(path);
    int mode = -1;
    if (!targetCanBeReplaced(path, target, mode, error))
        return false;
    fs::path temporary;
    int fd = createTemporary(target, temporary);
    if (fd < 0)
        return fail(error, path, systemReason(errno));
    const auto abandon = [&](int why) {
        if (fd >= 0)
            ::close(fd);
        ::unlink(temporary.c_str());
        return fail(error, path, systemReason(why));
    };
    if (mode >= 0 && ::fchmod(fd, static_cast<mode_t>(mode)) != 0)
        return abandon(errno);
    for (std::size_t written = 0; written < bytes.size();) {
        const ssize_t n = ::write(fd, bytes.data() + written, bytes.size() - written);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return abandon(n < 0 ? errno : EIO);
        written += static_cast<std::size_t>(n);
    }
    if (::fsync(fd) != 0)
        return abandon(errno);
    const int closed = ::close(fd);
    fd = -1;
    if (closed != 0)
        return abandon(errno);
    if (::rename(temporary.c_str(), target.c_str()) != 0)
        return abandon(errno);
    syncFolder(target);
    return true;
}

bool checkFileCanBeWritten(const fs::path &path, std::string *error) {
    const fs::path target = followLink(path);
    int mode = -1;
    if (!targetCanBeReplaced(path, target, mode, error))
        return false;
    fs::path temporary;
    const int fd = createTemporary(target, temporary);
    if (fd < 0)
        return fail(error, path, systemReason(errno));
    ::close(fd);
    ::unlink(temporary.c_str());
    return true;
}

} // namespace zv_files
