#include "Platform/EngineProcess.h"

#include <cerrno>
#include <csignal>
#include <cstring>

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/ioctl.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

extern char** environ;

namespace {

// How long a terminated engine gets to end before it is killed.
constexpr int kTerminateGraceMs = 1000;

QString systemError(int code)
{
    return QString::fromLocal8Bit(std::strerror(code));
}

class PosixEngineProcess : public EngineProcess {
public:
    ~PosixEngineProcess() override
    {
        if (pid_ > 0 && !ended_)
            terminate();
        closeFd(readFd_);
        closeFd(pidFd_);
    }

    StartResult start(const QString& program) override
    {
        int fds[2];
        if (::pipe2(fds, O_CLOEXEC) != 0) {
            error_ = systemError(errno);
            return StartResult::PipeFailed;
        }

        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        // Standard input at end of file: a fatal stop that waits for a key returns at once.
        posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
        posix_spawn_file_actions_adddup2(&actions, fds[1], 2);

        posix_spawnattr_t attributes;
        posix_spawnattr_init(&attributes);
        // Its own process group, so that terminating reaches whatever the engine started too;
        // default signal handling and no blocked signals, whatever the front end uses.
        sigset_t all, none;
        sigfillset(&all);
        sigemptyset(&none);
        posix_spawnattr_setflags(&attributes,
                                 POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);
        posix_spawnattr_setpgroup(&attributes, 0);
        posix_spawnattr_setsigdefault(&attributes, &all);
        posix_spawnattr_setsigmask(&attributes, &none);

        const QByteArray path = program.toLocal8Bit();
        char* argv[] = {const_cast<char*>(path.constData()), nullptr};
        pid_t pid = -1;
        const int rc = ::posix_spawn(&pid, path.constData(), &actions, &attributes, argv, environ);
        posix_spawn_file_actions_destroy(&actions);
        posix_spawnattr_destroy(&attributes);

        // Only the child keeps the write end, so the pipe is at its end once the engine is gone.
        ::close(fds[1]);
        if (rc != 0) {
            ::close(fds[0]);
            error_ = systemError(rc);
            return StartResult::SpawnFailed;
        }
        readFd_ = fds[0];
        ::fcntl(readFd_, F_SETFL, ::fcntl(readFd_, F_GETFL) | O_NONBLOCK);
        pid_ = pid;
        ended_ = false;
#ifdef SYS_pidfd_open
        pidFd_ = static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
#endif
        return StartResult::Started;
    }

    long peek() override
    {
        int available = 0;
        if (readFd_ < 0 || ::ioctl(readFd_, FIONREAD, &available) != 0) {
            error_ = systemError(readFd_ < 0 ? EBADF : errno);
            return -1;
        }
        return available;
    }

    long read(char* buffer, long size) override
    {
        if (readFd_ < 0) {
            error_ = systemError(EBADF);
            return -1;
        }
        for (;;) {
            const ssize_t n = ::read(readFd_, buffer, static_cast<size_t>(size));
            if (n >= 0)
                return static_cast<long>(n);
            if (errno == EINTR)
                continue;
            if (errno == EAGAIN || errno == EWOULDBLOCK)
                return 0;
            error_ = systemError(errno);
            return -1;
        }
    }

    bool waitFinished(int milliseconds) override
    {
        if (ended_ || collect(WNOHANG))
            return true;
        if (pidFd_ >= 0) {
            pollfd p{pidFd_, POLLIN, 0};
            ::poll(&p, 1, milliseconds);
            return collect(WNOHANG);
        }
        // Without process descriptors: check every millisecond.
        for (int waited = 0; waited < milliseconds; ++waited) {
            const timespec oneMs{0, 1000000};
            ::nanosleep(&oneMs, nullptr);
            if (collect(WNOHANG))
                return true;
        }
        return false;
    }

    void terminate() override
    {
        if (pid_ <= 0 || ended_)
            return;
        ::kill(-pid_, SIGTERM);
        for (int waited = 0; waited < kTerminateGraceMs; waited += 10)
            if (waitFinished(10))
                return;
        ::kill(-pid_, SIGKILL);
        collect(0);
    }

    int exitCode() const override
    {
        if (!ended_ || lost_)
            return -1;
        if (WIFEXITED(status_))
            return WEXITSTATUS(status_);
        if (WIFSIGNALED(status_))
            return 128 + WTERMSIG(status_);
        return -1;
    }

    QString errorString() const override { return error_; }

private:
    // Collects the ended child; `flags` WNOHANG polls, 0 blocks.
    bool collect(int flags)
    {
        if (ended_)
            return true;
        if (pid_ <= 0)
            return false;
        int status = 0;
        pid_t r;
        do
            r = ::waitpid(pid_, &status, flags);
        while (r < 0 && errno == EINTR);
        if (r == pid_) {
            status_ = status;
            ended_ = true;
        } else if (r < 0) {
            // Collected elsewhere: nothing left to wait for, and no status to report.
            lost_ = true;
            ended_ = true;
        }
        if (ended_)
            closeFd(pidFd_);
        return ended_;
    }

    static void closeFd(int& fd)
    {
        if (fd >= 0)
            ::close(fd);
        fd = -1;
    }

    pid_t pid_ = -1;
    int readFd_ = -1;
    int pidFd_ = -1;
    bool ended_ = false;
    bool lost_ = false;
    int status_ = 0;
    QString error_;
};

}  // namespace

std::unique_ptr<EngineProcess> newSystemEngineProcess()
{
    return std::make_unique<PosixEngineProcess>();
}
