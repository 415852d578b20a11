#include "Platform/ShutdownService.h"

#include <QProcess>
#include <QStringList>

namespace {

class SystemShutdown : public ShutdownService {
public:
    bool shutdown() override
    {
        // Whether the user may power off is systemd's decision (polkit); a refusal is silent.
        return QProcess::startDetached(QStringLiteral("systemctl"), {QStringLiteral("poweroff")});
    }
};

}  // namespace

ShutdownService& systemShutdown()
{
    static SystemShutdown service;
    return service;
}
