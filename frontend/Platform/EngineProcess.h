// The engine as a child process: started by path, hidden, with its standard output and standard
// error on one pipe that the caller polls. Tests can substitute their own implementation.
#pragma once

#include <QString>

#include <functional>
#include <memory>

class EngineProcess {
public:
    enum class StartResult {
        Started,
        PipeFailed,   // no pipe could be created; errorString() says why
        SpawnFailed,  // the program could not be started (missing, not executable, empty name)
    };

    virtual ~EngineProcess() = default;

    // Starts `program` by its path (relative names are taken from the current directory, never
    // searched for), without arguments, with the caller's environment and current directory,
    // standard input at end of file, standard output and standard error on one pipe.
    virtual StartResult start(const QString& program) = 0;
    // Bytes waiting in the pipe, or -1 on failure.
    virtual long peek() = 0;
    // Reads at most `size` bytes of what is waiting; the count read, or -1 on failure.
    virtual long read(char* buffer, long size) = 0;
    // Waits up to `milliseconds` for the process to end; true once it has ended.
    virtual bool waitFinished(int milliseconds) = 0;
    // Ends the process (and anything it started) and collects it.
    virtual void terminate() = 0;
    // Once ended: the exit status, or 128 + the signal number when a signal ended it.
    virtual int exitCode() const = 0;
    // The system's description of the last failure.
    virtual QString errorString() const = 0;
};

using EngineProcessFactory = std::function<std::unique_ptr<EngineProcess>()>;

// The POSIX implementation (posix_spawn, a pipe, waitpid).
std::unique_ptr<EngineProcess> newSystemEngineProcess();
