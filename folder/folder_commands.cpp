#include "app/main_form.h"

void TForm1::mnu_EXPLOREClick(TComponent*) {}
void TForm1::mnu_LANCERClick(TComponent*) {}
void TForm1::Raffraichir1Click(TComponent*) {}
void TForm1::Supprimer1Click(TComponent*) {}
