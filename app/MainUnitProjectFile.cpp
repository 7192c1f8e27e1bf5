// HANDOVER: replaced by the owner
// Project files and favourite folders of the main window (temporary bodies that do nothing).

#include "app/MainUnit.h"

namespace pagolux {

void TMainForm::OpenBtnClick() {}
void TMainForm::SaveBtnClick() {}
void TMainForm::SaveAsBtnClick() {}
void TMainForm::SaveFile(const std::string& /*path*/) {}
void TMainForm::OpenFile(const std::string& /*path*/) {}
void TMainForm::PrefListBoxDblClick() {}
void TMainForm::PrefListBoxKeyPress(char /*key*/) {}
void TMainForm::AddToPrefFolders(const std::string& /*folder*/) {}
void TMainForm::LoadPrefFolders() {}

} // namespace pagolux
