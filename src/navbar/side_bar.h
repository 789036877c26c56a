// The side navigation bar: headers, each with a column of buttons. A button only raises its
// click event; the window decides what it does.
#pragma once

#include <QIcon>
#include <QString>
#include <QWidget>
#include <functional>
#include <vector>

class QVBoxLayout;
class QToolButton;

namespace orv {

class TmxSideBar : public QWidget {
    Q_OBJECT
  public:
    explicit TmxSideBar(QWidget* parent = nullptr);

    // Adds a header; returns its index.
    int AddHeader(const QString& caption);
    // Adds a button to header `header`; returns the button.
    QToolButton* AddButton(int header, const QString& caption, const QIcon& icon,
                           std::function<void()> onClick);
    int HeaderCount() const { return static_cast<int>(headers_.size()); }
    QToolButton* Button(int header, int index) const;
    // Marks the button that belongs to the page now shown.
    void SetCurrent(QToolButton* button);

  private:
    struct Header {
        QWidget* body;
        QVBoxLayout* layout;
        std::vector<QToolButton*> buttons;
    };
    QVBoxLayout* layout_;
    std::vector<Header> headers_;
};

}  // namespace orv
