#include "controls/ButtonsXP.h"

#include "controls/ControlsResources.h"

namespace pagolux {

QImage ButtonGlyph(const QString& name)
{
    return LoadControlsImage(QStringLiteral("glyphs/%1.bmp").arg(name));
}

} // namespace pagolux
