// The About box and the Website Scanner's filter help box: two fixed boxes that only show text.
#pragma once

#include <QDialog>
#include <functional>

#include "controls/widgets.h"

namespace orv {

// A label that runs `OnClick` when clicked, drawn as a web link. It is a Tab stop: Enter or
// Space runs `OnClick` too, and a focus frame shows around the text while it has the focus.
class TLinkLabel final : public QLabel {
    Q_OBJECT
  public:
    explicit TLinkLabel(const QString& caption, QWidget* parent = nullptr);
    std::function<void()> OnClick;

  protected:
    void mouseReleaseEvent(QMouseEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void paintEvent(QPaintEvent* e) override;

  private:
    void Activate();
};

class Tabout final : public QDialog {
    Q_OBJECT
  public:
    explicit Tabout(QWidget* parent = nullptr);
    // True when the picture was decoded.
    bool HasPicture() const { return hasPicture_; }

    QLabel* Image2;
    QLabel* Label1;      // the product's name
    QLabel* Label2;      // its version
    TLinkLabel* Label5;  // the maker's web address
    QLabel* Label3;
    QLabel* Label4;        // the legal notice
    ui::TButton* Button1;  // "Close"

    // What the link opens: the main window's web site item (set when the windows are built).
    std::function<void()> OpenWebSite;

    void Button1Click() { close(); }
    void Label5Click();

  private:
    bool hasPicture_ = false;
};

class Tfilter_help final : public QDialog {
    Q_OBJECT
  public:
    explicit Tfilter_help(QWidget* parent = nullptr);

    ui::TSpeedButton* SpeedButton1;  // a picture, no action
    QLabel* Label1;
    QLabel* Label3;
    QLabel* Label4;
    ui::TButton* Button1;  // "Close"
    // The example of the scanner's filter controls: nothing reads them.
    QLabel* Label2;  // "Example"
    ui::TCheckBox* CheckBox1;
    ui::TSpeedButton* SpeedButton2;
    ui::TMemo* Memo1;

    void Button1Click() { close(); }
};

}  // namespace orv
