// The frame every tool page shares: a 26-pixel header strip (banner picture on the left with
// the page's bold title over it) above the page's own controls.
#pragma once

#include <QString>
#include <QStringList>
#include <QWidget>

class QVBoxLayout;
class QLabel;

namespace orv {

class TToolPage : public QWidget {
    Q_OBJECT
  public:
    // `banner` names a picture under ":/banners/" ("batch_ping"); an empty `title` means the
    // page has no header strip.
    TToolPage(const QString& caption, const QString& title, const QString& banner,
              QWidget* parent = nullptr);

    const QString& Caption() const { return caption_; }
    QString Title() const;
    // The area under the header strip, where the page puts its controls.
    QWidget* Body() const { return body_; }
    // True when the banner picture was found and decoded.
    bool HasBanner() const { return hasBanner_; }

  private:
    QString caption_;
    QLabel* title_ = nullptr;
    QWidget* body_;
    bool hasBanner_ = false;
};

// Gives a status label a fixed width that holds the longest of `texts` in the label's font (and
// again whenever that font changes), so a status that comes or goes never moves a control nor
// widens the window.
void KeepStatusRoom(QLabel* label, const QStringList& texts = {QStringLiteral("Working..."),
                                                               QStringLiteral("Done!")});

}  // namespace orv
