// HANDOVER: replaced by the owner
// The icon of the output executable (temporary bodies that do nothing).

#include "app/MainUnit.h"

namespace pagolux {

void TMainForm::OpenIconBtnClick() {}
void TMainForm::StdIconBtnClick() {}
void TMainForm::PaintBox1Paint(QPainter& /*canvas*/) {}
void TMainForm::LoadIconAtStart() {}

} // namespace pagolux
