#pragma once
// What start-up and each window bring into memory and no longer need goes back. A tray program
// opens a window for a few seconds (the colour dialog, the preferences, an alert) and then sits
// idle for hours; the heap pages the window freed, the code only windows run (most of Qt Widgets)
// and the tables only loading needed would otherwise stay in its resident set all that time.

namespace pigmora::qt {

// Called once start-up is done: drops the relocation records the loader read, and hands the heap
// pages start-up freed back to the system.
void GiveBackStartUpMemory();

// Called before a window is made. The first call notes which code pages the program keeps
// resident without any window open: those stay.
void NoteWindowOpening();

// Called once a window has closed and been destroyed: hands the heap's free pages back to the
// system and drops the code pages that came in since the note. They are read back from the page
// cache when a window opens again, which costs a fraction of a millisecond.
void GiveBackWindowMemory();

}  // namespace pigmora::qt
