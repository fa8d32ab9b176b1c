// The whole-number spin field of the powers window.
#pragma once

#include <QTimer>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <optional>

class QToolButton;
class InputField;

// A whole-number field with two arrow buttons. Unlike Qt's spin box it keeps any text the user
// typed: the value is read from the text when needed (text that is no whole number reads as the
// minimum), and the text is clamped into the limits only when the focus leaves for another
// control. Arrow keys and arrow buttons step by one and clamp.
// The forms extend Qt's spin box with it, so that Designer draws a spin field; uic sets the
// limits and the starting value with the spin box's setters, hence their names.
class SpinField : public QWidget {
  Q_OBJECT
 public:
  explicit SpinField(QWidget* parent = nullptr);

  // Sees each typed character (the window runs it through its error path).
  void SetKeyFilter(std::function<std::optional<char32_t>(char32_t)> filter);
  // The text part and the arrow buttons are named after the field, for a screen reader.
  void NameParts();

  int32_t Minimum() const { return minimum_; }
  void setMinimum(int32_t minimum) { minimum_ = minimum; }
  int32_t Maximum() const { return maximum_; }
  void setMaximum(int32_t maximum) { maximum_ = maximum; }

  QString Text() const;
  void SetText(const QString& text);
  // The value by the reading rule; reading never changes the text.
  int32_t Value() const;
  // Writes the number as the text, as it is.
  void setValue(int32_t value);
  // One step of an arrow key or arrow button.
  void StepBy(int32_t delta);
  // The focus left the field for another control of its window: out-of-range values are
  // replaced by the nearer limit.
  void Exit();

  InputField* Editor() const { return editor_; }
  QToolButton* UpButton() const { return up_; }
  QToolButton* DownButton() const { return down_; }

  // Auto-repeat of a held arrow button: the first repeat 400 ms after the press, then every
  // 100 ms. RepeatTick is what the timer runs.
  static constexpr int kFirstRepeatMs = 400;
  static constexpr int kRepeatMs = 100;
  const QTimer& RepeatTimer() const { return repeat_; }
  void RepeatTick();

 protected:
  void resizeEvent(QResizeEvent* e) override;
  bool eventFilter(QObject* watched, QEvent* e) override;

 private:
  void ArrowPressed(QToolButton* button, int32_t delta);

  int32_t minimum_ = 0;
  int32_t maximum_ = 100;
  InputField* editor_;
  QToolButton* up_;
  QToolButton* down_;
  QTimer repeat_;
  QToolButton* held_ = nullptr;
  int32_t held_delta_ = 0;
};
