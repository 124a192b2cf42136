#pragma once
// The start-up of a program whose windows the skin draws, shared by the
// updater and the skin gallery: the display, the built-in skin images, the
// popup-menu hook and the application object with its title; then the
// program's forms and the message loop; then everything undone in reverse.
#include <functional>

#include "core/Types.h"

class TApplication;

// Runs the program Name (for the message when no display can be opened) with
// the application title Title; CreateForms creates its forms, the first of
// which is the main form. Returns the process's exit code: 0 once the
// message loop has ended, 1 when there is no usable display.
int RunSkinnedProgram(const char* Name, const AnsiString& Title, const std::function<void(TApplication&)>& CreateForms);
