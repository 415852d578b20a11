// Asking the system to power off after a completed run. Tests pass their own implementation;
// only the program's main() ever uses the real one.
#pragma once

class ShutdownService {
public:
    virtual ~ShutdownService() = default;
    // Returns whether the request was issued. Where the system refuses, nothing else happens.
    virtual bool shutdown() = 0;
};

// The real service: "systemctl poweroff", started detached.
ShutdownService& systemShutdown();
