// Runs a check as an ordinary user, for file-permission cases that root would pass anyway:
// as root, in a forked child that becomes "nobody" after the folder was handed to it;
// otherwise in this process. The check returns "" on success, or what went wrong.
// A check that starts programs names what that user must reach (a program to run,
// a library it loads): when the user cannot, the run is skipped saying why (a clone in a
// private folder keeps them out of nobody's reach).
#pragma once
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <functional>
#include <grp.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <utility>
#include <vector>

// A path and the access() mode the user needs on it (X_OK for a program, R_OK for a library).
using ReachedPaths = std::vector<std::pair<std::filesystem::path, int>>;

// "" when this process may reach every path, else which one it may not and why.
inline std::string UnreachablePath(const ReachedPaths& paths)
{
    for (const auto& [path, mode] : paths)
        if (::access(path.c_str(), mode) != 0)
            return "the user nobody cannot reach " + path.string() + " (" + std::strerror(errno) +
                   "); a tree under a private folder keeps other users out";
    return "";
}

struct OrdinaryUserRun {
    bool ran = false;      // false: no ordinary user could be had (skip, with failure saying why)
    std::string failure;   // what the check reported
};

inline OrdinaryUserRun RunAsOrdinaryUser(const std::filesystem::path& folder, const std::function<std::string()>& check,
                                         const ReachedPaths& reached = {})
{
    constexpr uid_t kNobody = 65534;
    if (::geteuid() != 0)
        return {true, check()};
    std::error_code error;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder, error))
        if (::lchown(entry.path().c_str(), kNobody, kNobody) != 0)
            return {false, "cannot hand " + entry.path().string() + " to nobody"};
    if (::chown(folder.c_str(), kNobody, kNobody) != 0)
        return {false, "cannot hand " + folder.string() + " to nobody"};
    int channel[2];
    if (::pipe(channel) != 0)
        return {false, "no pipe"};
    pid_t child = ::fork();
    if (child < 0)
        return {false, "no fork"};
    if (child == 0) {
        ::close(channel[0]);
        std::string text;
        if (::setgroups(0, nullptr) != 0 || ::setgid(kNobody) != 0 || ::setuid(kNobody) != 0)
            text = "\x01" "cannot become nobody";
        else if (std::string unreachable = UnreachablePath(reached); !unreachable.empty())
            text = "\x01" + unreachable;
        else
            text = check();
        ssize_t written = ::write(channel[1], text.data(), text.size());
        ::_exit(written == ssize_t(text.size()) ? 0 : 1);
    }
    ::close(channel[1]);
    std::string text;
    char buffer[256];
    for (ssize_t n; (n = ::read(channel[0], buffer, sizeof buffer)) > 0;)
        text.append(buffer, size_t(n));
    ::close(channel[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    if (!text.empty() && text[0] == '\x01')
        return {false, text.substr(1)};
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return {true, "the check's process failed"};
    return {true, text};
}
