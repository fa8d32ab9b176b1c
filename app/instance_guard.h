// The single-instance guard on the X11 desktop.
//
// Each running copy owns one never-mapped, unowned top-level window titled with the application
// title (see HiddenApplicationWindow in application_windows.h). A new copy looks through the
// desktop's top-level windows, and the client windows inside a window manager's frames, for an
// unowned window with exactly that title which is not its own.
#pragma once

#include <QByteArray>
#include <QString>

class QWidget;
struct xcb_connection_t;

// The title as the guard sees it: at most 127 characters (UTF-16 code units), decoded from the
// raw property bytes, UTF-8 for _NET_WM_NAME and UTF8_STRING, Latin-1 otherwise.
QString WindowTitleFromProperty(const QByteArray& bytes, bool utf8);

// Whether another unowned top-level window titled exactly `title` exists on the display of
// `connection`. Windows created through `connection` itself never count. A null connection finds
// nothing.
bool AnotherWindowTitled(xcb_connection_t* connection, const QString& title);

// Gives the copy's hidden application window (already titled `title`, never shown) its native
// window and looks for another copy through the application's own X connection, holding the X
// server meanwhile so that two copies started together cannot both miss each other. Without X11
// (a native Wayland session, a headless platform) it finds nothing: the session's lock, taken
// when the program starts, decides there.
bool AnotherCopyRuns(QWidget& application_window, const QString& title);
