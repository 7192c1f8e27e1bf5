#include "controls/ImageBtnUnit.h"

#include "controls/ControlsResources.h"

namespace pagolux {

QImage ImageBtnPicture(const QString& name)
{
    return LoadControlsImage(QStringLiteral("buttons/%1.gif").arg(name));
}

QImage ImageBtnPressedPicture(const QString& name)
{
    return LoadControlsImage(QStringLiteral("buttons/%1_down.gif").arg(name));
}

} // namespace pagolux
