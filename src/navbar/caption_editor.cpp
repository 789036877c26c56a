#include "navbar/caption_editor.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QPainter>
#include <QTextDocument>

#include "common/boundary_guard.h"
#include "navbar/header.h"
#include "navbar/navigation_bar.h"

namespace orv {

namespace {

// The edit keeps a frame of this many pixels round its text; we paint it ourselves.
constexpr int kFrameWidth = 2;
// Where the idle edit waits, out of sight above the bar.
constexpr int kIdleTop = -1000;

bool HasModifier(Qt::KeyboardModifiers shift) {
    return (shift & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier)) != 0;
}

// Enter and Esc without a modifier end an edit; nothing else may take them first.
bool EndsEdit(const QKeyEvent& key) {
    const int k = key.key();
    return !HasModifier(key.modifiers()) &&
           (k == Qt::Key_Return || k == Qt::Key_Enter || k == Qt::Key_Escape);
}

Qt::Alignment ToQtAlignment(TAlignment alignment) {
    switch (alignment) {
        case taRightJustify:
            return Qt::AlignRight;
        case taCenter:
            return Qt::AlignHCenter;
        case taLeftJustify:
            break;
    }
    return Qt::AlignLeft;
}

}  // namespace

TmxInplaceEdit::TmxInplaceEdit(QWidget* parent) : QPlainTextEdit(parent) {
    hide();
    setFrameShape(QFrame::NoFrame);
    setViewportMargins(kFrameWidth, kFrameWidth, kFrameWidth, kFrameWidth);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setTabChangesFocus(true);
    document()->setDocumentMargin(1);
    font_.OnChange = [this] { ApplyFont(); };
    QFont face = QApplication::font();
    face.setPixelSize(11);
    font_.SetFace(face);
    ApplyColors();
    ApplyTextOption();
    move(0, kIdleTop);
    connect(this, &QPlainTextEdit::textChanged, this,
            GuardedSlot("TmxInplaceEdit::Change", [this] { Change(); }));
}

void TmxInplaceEdit::SetAlignment(TAlignment value) {
    alignment_ = value;
    ApplyTextOption();
}

void TmxInplaceEdit::SetBorderColor(TColor value) {
    borderColor_ = value;
    if (flat_) {
        RedrawFrame();
    }
}

void TmxInplaceEdit::SetFlat(bool value) {
    flat_ = value;
    RedrawFrame();
}

void TmxInplaceEdit::SetShowBorder(bool value) {
    showBorder_ = value;
    RedrawFrame();
}

void TmxInplaceEdit::SetFont(const TFont& value) {
    font_.Assign(value);
    Change();
}

void TmxInplaceEdit::SetWordWrap(bool value) {
    wordWrap_ = value;
    ApplyTextOption();
}

void TmxInplaceEdit::SetColor(TColor value) {
    color_ = value;
    ApplyColors();
}

void TmxInplaceEdit::Assign(const TmxInplaceEdit& source) {
    font_.Assign(source.font_);
    SetFlat(source.flat_);
    SetBorderColor(source.borderColor_);
    SetShowBorder(source.showBorder_);
    Change();
}

void TmxInplaceEdit::RedrawFrame() {
    update();
}

void TmxInplaceEdit::Change() {
    if (OnChange) {
        OnChange(this);
    }
}

void TmxInplaceEdit::ApplyFont() {
    setFont(font_.Face());
    ApplyColors();
}

void TmxInplaceEdit::ApplyColors() {
    QPalette p = palette();
    p.setColor(QPalette::Base, ToQColor(color_));
    p.setColor(QPalette::Text, ToQColor(font_.Color()));
    setPalette(p);
    RedrawFrame();
}

void TmxInplaceEdit::ApplyTextOption() {
    setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    setLineWrapMode(wordWrap_ ? QPlainTextEdit::WidgetWidth : QPlainTextEdit::NoWrap);
    // Read back after the wrap mode, which rewrites the document's option.
    QTextOption option = document()->defaultTextOption();
    option.setAlignment(ToQtAlignment(alignment_));
    document()->setDefaultTextOption(option);
    viewport()->update();
}

void TmxInplaceEdit::PaintFrame() {
    const int w = width();
    const int h = height();
    if (w <= 0 || h <= 0) {
        return;
    }
    QImage image(w, h, QImage::Format_ARGB32);
    TCanvas canvas(&image);
    const TRect whole{0, 0, w, h};
    canvas.brush.Color = color_;
    canvas.FillRect(whole);
    // Two rings in the edit's colour cover whatever the platform drew there.
    canvas.brush.Style = TBrushStyle::Clear;
    canvas.pen.Color = color_;
    canvas.Rectangle(whole);
    canvas.Rectangle(whole.Inflate(-1, -1));
    if (!flat_) {
        TRect edge = whole;
        canvas.DrawEdge(edge, EDGE_SUNKEN, BF_RECT);
    } else {
        canvas.pen.Color = showBorder_ ? borderColor_ : color_;
        canvas.Rectangle(whole);
    }
    QPainter painter(this);
    const QRect all = rect();
    painter.setClipRegion(QRegion(all).subtracted(
        QRegion(all.adjusted(kFrameWidth, kFrameWidth, -kFrameWidth, -kFrameWidth))));
    painter.drawImage(0, 0, image);
}

bool TmxInplaceEdit::event(QEvent* event) {
    if (event->type() == QEvent::ShortcutOverride && EndsEdit(*static_cast<QKeyEvent*>(event))) {
        event->accept();
        return true;
    }
    const bool result = QPlainTextEdit::event(event);
    // Paint events of the edit itself cover only the frame; the text has its own viewport.
    if (event->type() == QEvent::Paint) {
        Guarded(
            "TmxInplaceEdit::PaintFrame", [this] { PaintFrame(); }, FaultBox::LogOnly);
    }
    return result;
}

void TmxInplaceEdit::keyPressEvent(QKeyEvent* event) {
    Guarded("TmxInplaceEdit::keyPressEvent", [&] {
        if (OnKeyDown) {
            int key = event->key();
            const QPointer<TmxInplaceEdit> alive(this);
            OnKeyDown(this, key, event->modifiers());
            if (!alive) {
                return;
            }
            if (key == 0) {
                event->accept();
                return;
            }
        }
        QPlainTextEdit::keyPressEvent(event);
    });
}

void TmxInplaceEdit::focusInEvent(QFocusEvent* event) {
    Guarded("TmxInplaceEdit::focusInEvent", [&] {
        QPlainTextEdit::focusInEvent(event);
        RedrawFrame();
    });
}

void TmxInplaceEdit::focusOutEvent(QFocusEvent* event) {
    Guarded("TmxInplaceEdit::focusOutEvent", [&] {
        QPlainTextEdit::focusOutEvent(event);
        RedrawFrame();
        // Our own menu popping up or the window losing activation is no exit from the edit.
        const Qt::FocusReason reason = event->reason();
        if (reason == Qt::PopupFocusReason || reason == Qt::ActiveWindowFocusReason) {
            return;
        }
        if (OnExit) {
            OnExit(this);
        }
    });
}

void TmxInplaceEdit::resizeEvent(QResizeEvent* event) {
    Guarded("TmxInplaceEdit::resizeEvent", [&] {
        QPlainTextEdit::resizeEvent(event);
        RedrawFrame();
    });
}

void TmxInplaceEdit::enterEvent(QEnterEvent* event) {
    Guarded("TmxInplaceEdit::enterEvent", [&] {
        QPlainTextEdit::enterEvent(event);
        mouseOver_ = true;
        if (flat_ && activate_) {
            RedrawFrame();
        }
    });
}

void TmxInplaceEdit::leaveEvent(QEvent* event) {
    Guarded("TmxInplaceEdit::leaveEvent", [&] {
        QPlainTextEdit::leaveEvent(event);
        mouseOver_ = false;
        if (flat_ && activate_) {
            RedrawFrame();
        }
    });
}

void TmxInplaceEdit::contextMenuEvent(QContextMenuEvent* event) {
    Guarded("TmxInplaceEdit::contextMenuEvent", [&] {
        bool handled = false;
        if (OnContextPopup) {
            const QPointer<TmxInplaceEdit> alive(this);
            // Mouse requests arrive through the text viewport; the handler gets edit coordinates.
            const QPoint pos = mapFromGlobal(event->globalPos());
            OnContextPopup(this, TPoint{pos.x(), pos.y()}, handled);
            if (!alive) {
                return;
            }
        }
        if (handled) {
            event->accept();
            return;
        }
        if (popupMenu_) {
            popupMenu_->popup(event->globalPos());
            event->accept();
            return;
        }
        QPlainTextEdit::contextMenuEvent(event);
    });
}

TmxInplaceEditor::TmxInplaceEditor(TmxSideBar* bar) : bar_(bar), edit_(new TmxInplaceEdit(bar)) {
    edit_->OnKeyDown = [this](TmxInplaceEdit*, int& key, Qt::KeyboardModifiers shift) {
        EditKeyDown(key, shift);
    };
    edit_->OnExit = [this](TmxInplaceEdit*) { EditExit(); };
}

TmxInplaceEditor::~TmxInplaceEditor() {
    edit_->OnKeyDown = nullptr;
    edit_->OnExit = nullptr;
    edit_->OnContextPopup = nullptr;
    editing_ = false;
}

void TmxInplaceEditor::Assign(const TPersistent& source) {
    if (auto* other = dynamic_cast<const TmxInplaceEditor*>(&source)) {
        edit_->Assign(*other->edit_);
        if (OnChange) {
            OnChange(this);
        }
        return;
    }
    TPersistent::Assign(source);
}

void TmxInplaceEditor::AssignTo(TPersistent& dest) const {
    AssignToSameClass(*this, dest);
}

TPersistent* TmxInplaceEditor::EditTarget() const {
    if (editsHeader_) {
        return bar_->EditorHeader();
    }
    return bar_->EditorButton();
}

namespace {

// Compares addresses only, so a pointer to a freed object is safely found missing.
bool OwnsHeader(TmxSideBar& bar, const TmxHeader* header) {
    return header && bar.Headers().IndexOf(header) >= 0;
}

bool OwnsButton(TmxSideBar& bar, const TmxButton* button) {
    for (int i = 0; button && i < bar.HeaderCount(); ++i) {
        const TmxButtons* buttons = bar.GetHeader(i)->Buttons();
        if (buttons && buttons->IndexOf(button) >= 0) {
            return true;
        }
    }
    return false;
}

}  // namespace

bool TmxInplaceEditor::BeginEdit(TmxHeader* header) {
    if (!OwnsHeader(*bar_, header) || !header->Visible() ||
        Has(header->Options(), hoReadOnlyCaption)) {
        return false;
    }
    EndEdit(false);
    // The handlers of the edit just ended may have deleted the header.
    if (!OwnsHeader(*bar_, header)) {
        return false;
    }
    return StartEdit(header, nullptr, header->CaptionRect(), header->Caption());
}

bool TmxInplaceEditor::BeginEdit(TmxButton* button) {
    if (!OwnsButton(*bar_, button) || !button->Visible() ||
        Has(button->Options(), boReadOnlyCaption)) {
        return false;
    }
    EndEdit(false);
    if (!OwnsButton(*bar_, button)) {
        return false;
    }
    return StartEdit(nullptr, button, button->Layout().Label, button->Caption());
}

bool TmxInplaceEditor::StartEdit(TmxHeader* header, TmxButton* button, const TRect& rect,
                                 const std::string& caption) {
    bar_->SetEditorTarget(header, button);
    editsHeader_ = header != nullptr;
    edit_->setGeometry(rect.ToQRect());
    edit_->setPlainText(QString::fromStdString(caption));
    edit_->selectAll();
    edit_->show();
    edit_->raise();
    edit_->setFocus(Qt::OtherFocusReason);
    editing_ = true;
    return true;
}

void TmxInplaceEditor::EndEdit(bool cancel) {
    if (!editing_) {
        return;
    }
    editing_ = false;
    edit_->move(edit_->x(), kIdleTop);
    // OnChange may free the bar, and this editor and its edit with it.
    const QPointer<TmxInplaceEdit> edit(edit_);
    ApplyEdit(cancel);
    if (!edit || editing_) {
        return;  // gone, or a handler started another edit
    }
    if (edit_->hasFocus()) {
        bar_->setFocus(Qt::OtherFocusReason);
    }
    edit_->hide();
    bar_->SetEditorTarget(nullptr, nullptr);
}

void TmxInplaceEditor::ApplyEdit(bool cancel) {
    if (cancel || !EditTarget()) {
        return;
    }
    QString text = edit_->toPlainText();
    if (editsHeader_) {
        // A caption strip shows one line; a pasted line break becomes a blank.
        text.replace(QStringLiteral("\r\n"), QStringLiteral(" "));
        for (const QChar brk : {QChar(u'\n'), QChar(u'\r'), QChar(QChar::LineSeparator),
                                QChar(QChar::ParagraphSeparator)}) {
            text.replace(brk, u' ');
        }
        bar_->EditorHeader()->SetCaption(text.toStdString());
    } else {
        bar_->EditorButton()->SetCaption(text.toStdString());
    }
    if (OnChange) {
        OnChange(this);
    }
}

void TmxInplaceEditor::EditKeyDown(int& key, Qt::KeyboardModifiers shift) {
    const bool enter = key == Qt::Key_Return || key == Qt::Key_Enter;
    if (HasModifier(shift)) {
        // A header's caption is one line: Enter with a modifier neither ends its edit nor
        // breaks the line. A button's label may take several lines.
        if (enter && editsHeader_) {
            key = 0;
        }
        return;
    }
    if (enter) {
        key = 0;
        EndEdit(false);
    } else if (key == Qt::Key_Escape) {
        key = 0;
        EndEdit(true);
    }
}

void TmxInplaceEditor::EditExit() {
    if (editing_) {
        EndEdit(false);
    }
}

}  // namespace orv
