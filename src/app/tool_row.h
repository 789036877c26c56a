// The row the Whois, Tracert and Website Scanner pages open with: a caption, the input box
// (its popup holds the send-to items), then the page's own buttons in the page's order.
#pragma once

#include <QString>
#include <initializer_list>

class QHBoxLayout;
class QWidget;

namespace orv {

namespace ui {
class TEdit;
class TPopupMenu;
}  // namespace ui

struct ToolRow {
    QHBoxLayout* layout;
    ui::TEdit* edit;
    ui::TPopupMenu* popup;  // owned by `owner`
};

// `after` are the widgets that follow the input box, left to right; the box takes the room left.
ToolRow MakeToolRow(QWidget* owner, const QString& caption, std::initializer_list<QWidget*> after);

}  // namespace orv
