#pragma once
// The image button's unit: TImageBtn and the artwork of the three picture buttons.

#include "controls/TImageBtn.h"

#include <QImage>
#include <QString>

namespace pagolux {

// Normal and pressed picture of a picture button: name is "ueber", "ende" or "go".
[[nodiscard]] QImage ImageBtnPicture(const QString& name);
[[nodiscard]] QImage ImageBtnPressedPicture(const QString& name);

} // namespace pagolux
