// Everything a screen reader is told beyond what Qt tells by itself, installed in one place.
#pragma once

// The accessible interfaces of the program's own controls (fields and every other line edit,
// links, the picture, the notifications). Installed once, after the application object and
// before the first window.
void InstallAccessibleControls();

// The program's one entry point: the interfaces above and the focus-first order of
// ui/base/focus_order.h.
void InstallScreenReaderSupport();
