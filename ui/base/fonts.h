// The windows name two font families by what they were drawn with, "MS Sans Serif" and "Comic
// Sans MS", in point sizes; installed families stand in for them at fixed pixel heights.
#pragma once

#include <QFont>
#include <QObject>

class QEvent;
class QWidget;

// The program's font: Liberation Sans standing in for "MS Sans Serif", by pixel height.
QFont SansFont(int pixel_height = 11, bool bold = false);
// The comic font: Fantasque Sans Mono standing in for "Comic Sans MS".
QFont ComicFont(int pixel_height, bool bold, bool italic = false);

// The pixel height the windows take for a point size a form names (8 -> 11 ...); the nearest
// whole pixel at 96 dots per inch for any other size.
int PixelHeight(int point_size);

// Replaces every font a form set on `window` and its controls (named by family and point size)
// with the installed stand-in at its pixel height; bold, italic and underline are kept.
void ApplyStandInFonts(QWidget* window);

// While it lives, a font named by family and point size is replaced by its stand-in the moment
// it is set on a control, before the control lays out any text in it: a family the font
// database does not know costs a search of fallback families for every script.
class StandInFonts : public QObject {
 public:
  StandInFonts();
  ~StandInFonts() override;
  StandInFonts(const StandInFonts&) = delete;
  StandInFonts& operator=(const StandInFonts&) = delete;

 protected:
  bool eventFilter(QObject* watched, QEvent* e) override;
};
