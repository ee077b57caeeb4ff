#pragma once

#include <string>
#include <string_view>

#include "controls/notifier.h"

namespace kestrel::controls {

// State every visible control has: enabled, visible and a caption (buttons, panels, labels).
class Control {
 public:
  Notifier changed;

  bool Enabled() const { return enabled_; }
  void SetEnabled(bool enabled) { Set(enabled_, enabled); }
  bool Visible() const { return visible_; }
  void SetVisible(bool visible) { Set(visible_, visible); }
  const std::string& Caption() const { return caption_; }
  void SetCaption(std::string_view caption) {
    if (caption_ == caption) return;
    caption_ = caption;
    changed.Notify();
  }

 protected:
  explicit Control(std::string_view caption = {}, bool visible = true)
      : visible_(visible), caption_(caption) {}
  template <typename T>
  void Set(T& field, const T& value) {
    if (field == value) return;
    field = value;
    changed.Notify();
  }

 private:
  bool enabled_ = true;
  bool visible_ = true;
  std::string caption_;
};

class Button : public Control {
 public:
  explicit Button(std::string_view caption = {}) : Control(caption) {}
};

class Label : public Control {
 public:
  explicit Label(std::string_view caption = {}) : Control(caption) {}
};

// The few colours a page paints its panels with.
enum class Colour { kButtonFace, kYellow, kGreen };

class Panel : public Control {
 public:
  explicit Panel(std::string_view caption = {}, bool visible = true) : Control(caption, visible) {}
  Colour Color() const { return colour_; }
  void SetColor(Colour colour) { Set(colour_, colour); }

 private:
  Colour colour_ = Colour::kButtonFace;
};

class CheckBox : public Control {
 public:
  explicit CheckBox(std::string_view caption = {}, bool checked = false)
      : Control(caption), checked_(checked) {}
  bool Checked() const { return checked_; }
  void SetChecked(bool checked) { Set(checked_, checked); }

 private:
  bool checked_;
};

// One of a group of choices; the view keeps the group exclusive.
class RadioButton : public CheckBox {
 public:
  using CheckBox::CheckBox;
};

// A bar that shows how far a job has come: `Position` of `Max`.
class ProgressBar : public Control {
 public:
  int Max() const { return max_; }
  int Position() const { return position_; }
  void SetMax(int max) { Set(max_, max); }
  void SetPosition(int position) { Set(position_, position); }

 private:
  int max_ = 100;
  int position_ = 0;
};

// A one-line text field.
class Edit : public Control {
 public:
  explicit Edit(std::string_view text = {}) : text_(text) {}
  const std::string& Text() const { return text_; }
  void SetText(std::string_view text) {
    if (text_ == text) return;
    text_ = text;
    changed.Notify();
  }

 private:
  std::string text_;
};

}  // namespace kestrel::controls
