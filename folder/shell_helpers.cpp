#include "folder/shell_helpers.h"

bool RecycleFile(const std::wstring&) { return false; }
BOOL CopyFileTo(const std::wstring&, const std::wstring&) { return FALSE; }
bool ShowNotice(const std::wstring&, TMsgDlgType) { return true; }
bool AskConfirm(const std::wstring&) { return false; }
