#pragma once
// A tray program opens a window for a few seconds (the colour dialog, the preferences, an alert)
// and then sits idle for hours. The allocator keeps the pages that start-up and each window freed,
// so they would stay in the program's private memory all that time; they go back to the system
// instead.

namespace pigmora::qt {

// Hands the heap's free pages back to the system. Called once start-up is done and after each
// window has closed and been destroyed.
void ReturnFreedHeap();

}  // namespace pigmora::qt
