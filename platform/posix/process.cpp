#include "posix/process.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>

extern char** environ;

namespace qv {

namespace {

// How a program is spawned: in a session of its own, so that neither the end of this
// process (a signal to its process group) nor its terminal's hang-up ends the program; in
// the working folder. Frees what it holds on every way out.
class SpawnSettings
{
public:
    explicit SpawnSettings(const std::string& workingFolder)
    {
        posix_spawn_file_actions_init(&m_actions);
        posix_spawnattr_init(&m_attributes);
        posix_spawnattr_setflags(&m_attributes, POSIX_SPAWN_SETSID);
        if (!workingFolder.empty())
            posix_spawn_file_actions_addchdir_np(&m_actions, workingFolder.c_str());
    }
    ~SpawnSettings()
    {
        posix_spawnattr_destroy(&m_attributes);
        posix_spawn_file_actions_destroy(&m_actions);
    }
    SpawnSettings(const SpawnSettings&) = delete;
    SpawnSettings& operator=(const SpawnSettings&) = delete;
    const posix_spawn_file_actions_t* actions() const { return &m_actions; }
    const posix_spawnattr_t* attributes() const { return &m_attributes; }

private:
    posix_spawn_file_actions_t m_actions;
    posix_spawnattr_t m_attributes;
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
    const SpawnSettings settings(workingFolder);
    pid_t pid = 0;
    const int status =
        posix_spawnp(&pid, program.c_str(), settings.actions(), settings.attributes(), argv.data(), environ);
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
