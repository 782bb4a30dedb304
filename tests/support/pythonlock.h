#pragma once

#include <chrono>
#include <csignal>
#include <filesystem>
#include <string>
#include <thread>

#include <sys/wait.h>
#include <unistd.h>

namespace marlune::testing {

// Another program holding a file's lock: a python one-liner with flock.
class PythonLockHolder {
public:
    explicit PythonLockHolder(const std::filesystem::path& lockFile)
    {
        const std::filesystem::path marker = lockFile.string() + ".held";
        const std::string script = "import fcntl,sys,time\n"
                                   "f=open(sys.argv[1],'a')\n"
                                   "fcntl.flock(f,fcntl.LOCK_EX)\n"
                                   "open(sys.argv[2],'w').close()\n"
                                   "time.sleep(120)\n";
        pid_ = ::fork();
        if (pid_ == 0) {
            ::execlp("python3", "python3", "-c", script.c_str(), lockFile.c_str(), marker.c_str(),
                     static_cast<char*>(nullptr));
            std::_Exit(127);
        }
        for (int i = 0; i < 500 && pid_ > 0 && !std::filesystem::exists(marker); ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        held_ = std::filesystem::exists(marker);
        std::filesystem::remove(marker);
    }
    ~PythonLockHolder()
    {
        if (pid_ > 0) {
            ::kill(pid_, SIGTERM);
            ::waitpid(pid_, nullptr, 0);
        }
    }
    PythonLockHolder(const PythonLockHolder&) = delete;
    PythonLockHolder& operator=(const PythonLockHolder&) = delete;
    bool Held() const { return held_; }

private:
    pid_t pid_ = -1;
    bool held_ = false;
};

} // namespace marlune::testing
