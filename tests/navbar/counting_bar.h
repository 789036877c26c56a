// A bar that counts the paints reaching its widget.
#pragma once

#include "navbar/navigation_bar.h"

namespace orv::test {

class CountingBar : public TmxSideBar {
  public:
    int paints = 0;

  protected:
    void paintEvent(QPaintEvent* event) override {
        ++paints;
        TmxSideBar::paintEvent(event);
    }
};

}  // namespace orv::test
