// The module-wide state of a plug-in library and the steps of its `main`.
//
// Each plug-in module supplies two functions and links module_entry.cpp, which defines
// the exported `main`:
//   AudioEffect* createEffect(HostCallback host);  // new effect, or null
//   const ModuleOptions& moduleOptions();           // module_options.h
#pragma once

#include "aeffect.h"

#include <atomic>

class AudioEffect;

// Set by a constructor when an allocation it needs failed; `main` then hands out
// nothing. Never cleared: every later `main` of the loaded module answers null too.
extern std::atomic<bool> oome;

// The handle of the loaded module (the platform's module handle on Windows, the
// library's load address elsewhere), for effects that load resources from it.
extern void* hInstance;

AudioEffect* createEffect(HostCallback host);

// The steps of `main`, without the export: asks the host for its version, creates the
// effect, and returns its record unless creation failed.
AEffect* runMain(HostCallback host);
