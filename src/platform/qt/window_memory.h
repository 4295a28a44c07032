#pragma once
// What a window brings into memory goes back once it closes. A tray program opens a window for a
// few seconds (the colour dialog, the preferences, an alert) and then sits idle for hours; the
// heap pages the window freed and the code only windows run (most of Qt Widgets) would otherwise
// stay in its resident set all that time.

namespace pigmora::qt {

// Called before a window is made. The first call notes which code pages the program keeps
// resident without any window open: those stay.
void NoteWindowOpening();

// Called once a window has closed and been destroyed: hands the heap's free pages back to the
// system and drops the code pages that came in since the note. They are read back from the page
// cache when a window opens again, which costs a fraction of a millisecond.
void GiveBackWindowMemory();

}  // namespace pigmora::qt
