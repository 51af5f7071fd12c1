// Native plug-in modules export ZarSetMessageHook so that a host can receive the message boxes a
// Windows build would show (caption, text, and 1 for a warning icon, 0 for information).
#pragma once

#include <cstdint>

extern "C" {
typedef void (*ZarMessageHook)(void* context, intptr_t owner, const char* text,
                               const char* caption, int warning);
typedef void (*ZarSetMessageHookProc)(ZarMessageHook hook, void* context);
}
