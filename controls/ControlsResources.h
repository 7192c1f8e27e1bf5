#pragma once
// The controls' artwork lives in the Qt resource file controls.qrc under ":/controls/".
// A static library's resources must be registered explicitly; every loader calls this first.

#include <QImage>
#include <QString>

namespace pagolux {

void InitControlsResources();

// Loads ":/controls/<relativePath>"; a null image when it is missing.
[[nodiscard]] QImage LoadControlsImage(const QString& relativePath);

} // namespace pagolux
