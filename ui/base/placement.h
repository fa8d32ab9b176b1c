// Placing a top-level window at the centre of its screen, its frame (title bar included)
// counted.
#pragma once

#include <QPoint>
#include <functional>

class QWidget;

// Centres `window`'s frame on the available area of its screen whenever it is about to be
// mapped, and once more when the window manager has drawn its frame: the frame's size is known
// only then. Until then the frame is taken to be as large as that of the program's other
// visible windows. `move` moves the window's frame to the given point (QWidget::move when
// empty). Call before the window is shown; the placing ends once the frame stands where it
// belongs.
void CentreOnScreenWhenShown(QWidget* window, std::function<void(QPoint)> move = {});
