#pragma once

// What the program sets on the application before its window is made: the desktop entry it
// belongs to, Qt's own Russian texts for its standard buttons and dialogs, and that the window,
// not the last closed window, decides when it ends. No display name is set: Qt would append it
// to every window title, the start-up notice's "Внимание!" included, and the main window carries
// the program title itself.
void SetUpApplication();
