#include "files/output_files.hpp"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <random>

namespace {

std::string folder_of(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string name_of(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string failed(const std::string& path, int error) {
    return "cannot write " + path + ": " + std::strerror(error);
}

bool exists(const std::string& path) {
    struct stat status;
    return lstat(path.c_str(), &status) == 0;
}

bool is_folder(const std::string& path) {
    struct stat status;
    return stat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
}

// A name beside `path` that nothing has: ".NAME.XXXXXX".
std::string temporary_beside(const std::string& path, std::mt19937_64& random) {
    static const char kLetters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    std::string name = folder_of(path) + "/." + name_of(path) + ".";
    for (int k = 0; k < 6; ++k) {
        name += kLetters[random() % (sizeof kLetters - 1)];
    }
    return name;
}

// Gives the staged file the name `to`; fails with EEXIST if it is taken.
bool link_as(const StagedFile& file, const std::string& to) {
    if (!file.temporary.empty()) {
        return link(file.temporary.c_str(), to.c_str()) == 0;
    }
    char self[64];
    std::snprintf(self, sizeof self, "/proc/self/fd/%d", file.fd);
    return linkat(AT_FDCWD, self, AT_FDCWD, to.c_str(), AT_SYMLINK_FOLLOW) == 0;
}

bool write_all(int fd, const std::string& data) {
    std::size_t done = 0;
    while (done < data.size()) {
        const ssize_t wrote = write(fd, data.data() + done, data.size() - done);
        if (wrote < 0 && errno == EINTR) {
            continue;
        }
        if (wrote <= 0) {
            if (wrote == 0) {
                errno = EIO;
            }
            return false;
        }
        done += static_cast<std::size_t>(wrote);
    }
    return true;
}

// Termination signals that a handler or the default action would act on at
// once are held back while names are put in place.
struct HeldSignals {
    sigset_t before;
};

void hold_signals(HeldSignals& held) {
    sigset_t hold;
    sigemptyset(&hold);
    for (const int s : {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGPIPE, SIGXFSZ}) {
        sigaddset(&hold, s);
    }
    sigprocmask(SIG_BLOCK, &hold, &held.before);
}

void release_signals(const HeldSignals& held) {
    sigprocmask(SIG_SETMASK, &held.before, nullptr);
}

}  // namespace

std::string plan_folder(OutputSet& outputs, const std::string& folder) {
    struct stat status;
    if (stat(folder.c_str(), &status) == 0) {
        if (!S_ISDIR(status.st_mode)) {
            return "cannot make " + folder + ": " + std::strerror(EEXIST);
        }
        return {};
    }
    if (errno != ENOENT) {
        return "cannot make " + folder + ": " + std::strerror(errno);
    }
    const std::string parent = folder_of(folder);
    if (stat(parent.c_str(), &status) != 0 || !S_ISDIR(status.st_mode)) {
        return "cannot make " + folder + ": " + std::strerror(ENOENT);
    }
    outputs.folder = folder;
    return {};
}

std::string stage_file(OutputSet& outputs, const std::string& path, const std::string& data) {
    std::string folder = folder_of(path);
    // Files of a folder still to be made are written in its parent, on the
    // same file system, and linked into it when it is made.
    if (!outputs.folder.empty() && folder == outputs.folder) {
        folder = folder_of(outputs.folder);
    }
    StagedFile file;
    file.path = path;
    file.fd = open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
    if (file.fd < 0 && (errno == EOPNOTSUPP || errno == EISDIR || errno == EINVAL)) {
        // No unnamed files here: a named one, which the umask leaves as
        // readable as any file the user makes.
        std::string name = folder + "/." + name_of(path) + ".XXXXXX";
        file.fd = mkstemp(name.data());
        if (file.fd >= 0) {
            file.temporary = name;
            const mode_t mask = umask(0);
            umask(mask);
            fchmod(file.fd, 0666 & ~mask);
        }
    }
    if (file.fd < 0) {
        return failed(path, errno);
    }
    outputs.files.push_back(file);
    if (!write_all(file.fd, data)) {
        return failed(path, errno);
    }
    return {};
}

std::string commit_files(OutputSet& outputs) {
    HeldSignals held;
    hold_signals(held);
    std::mt19937_64 random(std::random_device{}());
    std::string error;
    if (!outputs.folder.empty()) {
        if (mkdir(outputs.folder.c_str(), 0777) == 0) {
            outputs.made_folder = true;
        } else if (errno != EEXIST) {
            error = "cannot make " + outputs.folder + ": " + std::strerror(errno);
        }
    }
    // The files that replace others get a temporary name first; new names
    // are then taken, then the renames, which on one file system do not
    // fail for want of room. Up to the renames, everything can be undone.
    std::vector<std::string> replacing(outputs.files.size());
    std::vector<bool> placed(outputs.files.size(), false);
    for (std::size_t k = 0; k < outputs.files.size() && error.empty(); ++k) {
        const StagedFile& file = outputs.files[k];
        if (!exists(file.path)) {
            continue;
        }
        // The one way a rename within a folder fails: a folder in the way.
        if (is_folder(file.path)) {
            error = failed(file.path, EISDIR);
            break;
        }
        for (int attempt = 0; attempt < 100; ++attempt) {
            const std::string name = temporary_beside(file.path, random);
            if (link_as(file, name)) {
                replacing[k] = name;
                break;
            }
            if (errno != EEXIST) {
                error = failed(file.path, errno);
                break;
            }
        }
        if (replacing[k].empty() && error.empty()) {
            error = failed(file.path, EEXIST);
        }
    }
    for (std::size_t k = 0; k < outputs.files.size() && error.empty(); ++k) {
        if (replacing[k].empty()) {
            if (link_as(outputs.files[k], outputs.files[k].path)) {
                placed[k] = true;
            } else {
                error = failed(outputs.files[k].path, errno);
            }
        }
    }
    for (std::size_t k = 0; k < outputs.files.size() && error.empty(); ++k) {
        if (!replacing[k].empty()) {
            if (std::rename(replacing[k].c_str(), outputs.files[k].path.c_str()) == 0) {
                replacing[k].clear();
            } else {
                error = failed(outputs.files[k].path, errno);
            }
        }
    }
    if (!error.empty()) {
        for (std::size_t k = 0; k < outputs.files.size(); ++k) {
            if (placed[k]) {
                unlink(outputs.files[k].path.c_str());
            }
            if (!replacing[k].empty()) {
                unlink(replacing[k].c_str());
            }
        }
    } else {
        outputs.made_folder = false;  // it holds the files now
    }
    discard_files(outputs);
    release_signals(held);
    return error;
}

void discard_files(OutputSet& outputs) {
    for (StagedFile& file : outputs.files) {
        if (file.fd >= 0) {
            close(file.fd);
        }
        if (!file.temporary.empty()) {
            unlink(file.temporary.c_str());
        }
    }
    outputs.files.clear();
    if (outputs.made_folder) {
        rmdir(outputs.folder.c_str());
    }
    outputs.folder.clear();
    outputs.made_folder = false;
}

std::string write_file_whole(const std::string& path, const std::string& data) {
    OutputSet outputs;
    std::string error = stage_file(outputs, path, data);
    if (error.empty()) {
        return commit_files(outputs);
    }
    discard_files(outputs);
    return error;
}
