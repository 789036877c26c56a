#include "navbar/side_bar.h"

#include <QLabel>
#include <QToolButton>
#include <QVBoxLayout>

namespace orv {

namespace {
constexpr int kBarWidth = 153;
}

TmxSideBar::TmxSideBar(QWidget* parent) : QWidget(parent), layout_(new QVBoxLayout(this)) {
    setObjectName("mxSideBar");
    setFixedWidth(kBarWidth);
    setAttribute(Qt::WA_StyledBackground);
    setStyleSheet(
        "#mxSideBar { background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #2d5a8c, "
        "stop:1 #1b3a5e); }"
        "QLabel[sideHeader=\"true\"] { color: white; font-weight: bold; padding: 4px 6px;"
        " background: rgba(255,255,255,40); border-radius: 3px; }"
        "QToolButton { color: white; border: none; padding: 4px; border-radius: 4px; }"
        "QToolButton:hover { background: rgba(255,255,255,45); }"
        "QToolButton:checked { background: rgba(255,255,255,80); }");
    layout_->setContentsMargins(6, 6, 6, 6);
    layout_->setSpacing(4);
    layout_->addStretch(1);
}

int TmxSideBar::AddHeader(const QString& caption) {
    auto* title = new QLabel(caption, this);
    title->setProperty("sideHeader", true);
    auto* body = new QWidget(this);
    auto* bodyLayout = new QVBoxLayout(body);
    bodyLayout->setContentsMargins(0, 2, 0, 6);
    bodyLayout->setSpacing(2);
    int at = layout_->count() - 1;  // before the stretch
    layout_->insertWidget(at, title);
    layout_->insertWidget(at + 1, body);
    headers_.push_back({body, bodyLayout, {}});
    return HeaderCount() - 1;
}

QToolButton* TmxSideBar::AddButton(int header, const QString& caption, const QIcon& icon,
                                   std::function<void()> onClick) {
    Header& h = headers_.at(static_cast<size_t>(header));
    auto* b = new QToolButton(h.body);
    b->setText(caption);
    b->setIcon(icon);
    b->setIconSize(QSize(24, 24));
    b->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    b->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    b->setCheckable(true);
    b->setAutoExclusive(false);
    connect(b, &QToolButton::clicked, this, [fn = std::move(onClick)] {
        if (fn)
            fn();
    });
    h.layout->addWidget(b);
    h.buttons.push_back(b);
    return b;
}

QToolButton* TmxSideBar::Button(int header, int index) const {
    if (header < 0 || header >= HeaderCount())
        return nullptr;
    const auto& b = headers_[static_cast<size_t>(header)].buttons;
    return index >= 0 && index < static_cast<int>(b.size()) ? b[static_cast<size_t>(index)]
                                                            : nullptr;
}

void TmxSideBar::SetCurrent(QToolButton* button) {
    for (auto& h : headers_)
        for (auto* b : h.buttons)
            b->setChecked(b == button);
}

}  // namespace orv
