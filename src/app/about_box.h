// The About box.
#pragma once

#include <QDialog>

class QLabel;

namespace orv {

class Tabout final : public QDialog {
    Q_OBJECT
  public:
    explicit Tabout(QWidget* parent = nullptr);
    // True when the picture was decoded.
    bool HasPicture() const { return hasPicture_; }

  private:
    bool hasPicture_ = false;
};

}  // namespace orv
