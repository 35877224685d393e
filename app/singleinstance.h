#pragma once

#include <functional>

class QWidget;

// The single-instance guard. With the setting SingleInstance on, the first start holds a
// kernel lock for as long as it runs and answers later starts; a later start asks it to
// restore and raise its frame and then ends.

// True when another instance runs (and has been asked to come to the front); the caller then
// ends the program with exit code 0. False when this is the only instance, when the lock
// cannot be made, and always when SingleInstance is off (then nothing is created or tested).
bool CheckSingleInstance();

// What the first instance does when a later start asks it to come forward; the frame sets
// this to restore and raise itself (RestoreAndRaise). Runs in the event loop.
void SetRaiseHandler(std::function<void()> handler);

// Restores a minimised window and brings it to the front with the keyboard focus.
void RestoreAndRaise(QWidget* window);
