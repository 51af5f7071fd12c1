// Native plug-in modules export ZarSetMessageHook so that a host can receive the message boxes a
// Windows build would show (caption, text, and 1 for a warning icon, 0 for information).
#pragma once

#include <cstdint>

extern "C" {
typedef void (*ZarMessageHook)(void* context, intptr_t owner, const char* text, const char* caption,
                               int warning);
typedef void (*ZarSetMessageHookProc)(ZarMessageHook hook, void* context);

// They also export ZarSetDialogHook: the hook is told the title of the parameter dialog the
// plug-in would open and answers for the user, nonzero for OK, 0 for Cancel.
typedef int (*ZarDialogHook)(void* context, const char* title);
typedef void (*ZarSetDialogHookProc)(ZarDialogHook hook, void* context);

// And ZarSetPreviewHook: the dialog a plug-in with a live preview would open runs its preview
// instead, for a preview area of width x height client pixels (0: the whole picture, unreduced).
// Every tick's picture goes to the host's displayPixels; then the hook is told the frame's number
// (from 0) and answers nonzero for another tick, 0 to close the dialog with Cancel.
typedef int (*ZarPreviewHook)(void* context, int frame);
typedef void (*ZarSetPreviewHookProc)(ZarPreviewHook hook, void* context, int width, int height);
}
