#include "win/process.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>

extern char** environ;

namespace qv {

namespace {

// Frees the spawn's file actions on every way out.
class FileActions
{
public:
    FileActions() { posix_spawn_file_actions_init(&m_actions); }
    ~FileActions() { posix_spawn_file_actions_destroy(&m_actions); }
    FileActions(const FileActions&) = delete;
    FileActions& operator=(const FileActions&) = delete;
    posix_spawn_file_actions_t* get() { return &m_actions; }

private:
    posix_spawn_file_actions_t m_actions;
};

} // namespace

bool startProgram(const std::string& program, const std::vector<std::string>& arguments,
                  const std::string& workingFolder, std::string& error)
{
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    FileActions actions;
    if (!workingFolder.empty())
        posix_spawn_file_actions_addchdir_np(actions.get(), workingFolder.c_str());
    pid_t pid = 0;
    const int status = posix_spawnp(&pid, program.c_str(), actions.get(), nullptr, argv.data(), environ);
    if (status != 0) {
        // The spawn tells a folder it cannot enter by the same code as a missing program.
        std::error_code unknown;
        const bool noFolder = !workingFolder.empty() && !std::filesystem::is_directory(workingFolder, unknown);
        error = program + (noFolder ? " in " + workingFolder : std::string()) + ": " + std::strerror(status);
        return false;
    }
    std::thread([pid] {
        int ended = 0;
        while (waitpid(pid, &ended, 0) < 0 && errno == EINTR) {
        }
    }).detach();
    return true;
}

} // namespace qv
