#pragma once
// The "Start at Login" check box.
namespace pigmora {

struct Program;

void ToggleStartAtLogin(Program& program);

}  // namespace pigmora
