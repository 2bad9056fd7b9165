#pragma once

#include <QWidget>

namespace roruvez {

// A frame around whichever control of the window's surface has the focus, drawn above them all:
// three pixels of dark blue outside three of white, so that one of them stands out by at least
// 3:1 on any background the theme, the blue band or a fixed colour gives. The platform's own focus
// hint is a faint line of a pixel at most.
class FocusRing : public QWidget {
  public:
    explicit FocusRing(QWidget* surface);

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    void follow(QWidget* focused);
};

}  // namespace roruvez
