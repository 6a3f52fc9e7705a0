#include "app/main_form.h"

void TForm1::FileDragDrop1Drop(TComponent*, const POINT&, const std::vector<std::wstring>&) {}
