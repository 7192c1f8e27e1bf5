// HANDOVER: replaced by the owner
// "Go!": building the output executable (temporary body that does nothing).

#include "app/MainUnit.h"

namespace pagolux {

void TMainForm::GoBtn1Click() {}

} // namespace pagolux
