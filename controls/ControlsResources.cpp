#include "controls/ControlsResources.h"

#include <QtGlobal>

#include <mutex>

// Q_INIT_RESOURCE must be used outside any namespace.
static void registerControlsResources()
{
    Q_INIT_RESOURCE(controls);
}

namespace pagolux {

void InitControlsResources()
{
    static std::once_flag once;
    std::call_once(once, registerControlsResources);
}

QImage LoadControlsImage(const QString& relativePath)
{
    InitControlsResources();
    return QImage(QStringLiteral(":/controls/") + relativePath);
}

} // namespace pagolux
