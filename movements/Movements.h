#pragma once
// The stock movement dialogs. Each is created once at start and shown by the
// main window's movement runner on the current tool row; the dialog writes
// the new counts into the pending rows and says "Done" through ResultWord.
