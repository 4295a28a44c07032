#pragma once
// The About alert and its picture.
#include <string>

namespace pigmora {

struct Program;

void LoadAboutIcon(Program& program);
void ShowAboutBox(Program& program);

}  // namespace pigmora
