#include "app/tool_row.h"

#include <QHBoxLayout>

#include "controls/widgets.h"

namespace orv {

ToolRow MakeToolRow(QWidget* owner, const QString& caption, std::initializer_list<QWidget*> after) {
    ToolRow row;
    row.layout = new QHBoxLayout;
    row.layout->setSpacing(4);
    row.layout->addWidget(new ui::TLabel(caption));
    row.edit = new ui::TEdit;
    row.edit->setToolTip("Right Click to Get More");
    row.popup = new ui::TPopupMenu(owner);
    row.popup->AttachTo(row.edit);
    row.layout->addWidget(row.edit, 1);
    for (QWidget* w : after)
        row.layout->addWidget(w);
    return row;
}

}  // namespace orv
