// The side bar's caption editor: a multi-line edit with a frame of its own that lies hidden on the
// bar, and the settings object that drives it. An edit shows a header's or button's caption over
// that caption; Enter or leaving the edit writes the text back, Esc throws it away.
#pragma once

#include <QMenu>
#include <QPlainTextEdit>
#include <QPointer>
#include <functional>
#include <string>

#include "navbar/bar_settings.h"
#include "navbar/drawing.h"
#include "navbar/graphic_objects.h"
#include "navbar/persistent.h"

namespace orv {
class TmxHeader;
class TmxButton;
}  // namespace orv

namespace orv {

class TmxSideBar;
class TmxInplaceEdit;

// Handled starts False; a handler that sets it keeps the menu from popping up.
using TContextPopupEvent =
    std::function<void(TmxInplaceEdit* sender, TPoint mousePos, bool& handled)>;
// Key is a Qt key code; setting it to 0 consumes the key.
using TEditKeyEvent =
    std::function<void(TmxInplaceEdit* sender, int& key, Qt::KeyboardModifiers shift)>;
using TEditNotifyEvent = std::function<void(TmxInplaceEdit* sender)>;

class TmxInplaceEdit : public QPlainTextEdit {
    Q_OBJECT
  public:
    // Hidden, above the parent's top edge, in the UI font at 11 pixels.
    explicit TmxInplaceEdit(QWidget* parent);

    TAlignment Alignment() const { return alignment_; }
    void SetAlignment(TAlignment value);
    // Whether the frame follows the mouse going in and out while Flat.
    bool Activate() const { return activate_; }
    void SetActivate(bool value) { activate_ = value; }
    TColor BorderColor() const { return borderColor_; }
    void SetBorderColor(TColor value);
    bool Flat() const { return flat_; }
    void SetFlat(bool value);
    bool ShowBorder() const { return showBorder_; }
    void SetShowBorder(bool value);
    TFont& Font() { return font_; }
    const TFont& Font() const { return font_; }
    // Copies the font, then tells OnChange.
    void SetFont(const TFont& value);
    // Lines wrap at the edit's width; without it they scroll sideways.
    bool WordWrap() const { return wordWrap_; }
    void SetWordWrap(bool value);
    // Shown on a right click unless OnContextPopup handles it; without one the edit's own menu.
    QMenu* PopupMenu() const { return popupMenu_; }
    void SetPopupMenu(QMenu* menu) { popupMenu_ = menu; }
    // The fill behind the text; the frame's inner rings take it too.
    TColor Color() const { return color_; }
    void SetColor(TColor value);
    bool MouseOver() const { return mouseOver_; }

    // Copies font, Flat, BorderColor and ShowBorder (not alignment, wrapping or menu), then
    // tells OnChange.
    void Assign(const TmxInplaceEdit& source);
    // Repaints the frame.
    void RedrawFrame();

    TContextPopupEvent OnContextPopup;
    TEditKeyEvent OnKeyDown;
    // The keyboard focus went to another control of the window.
    TEditNotifyEvent OnExit;
    // The text or the look changed.
    TEditNotifyEvent OnChange;

  protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

  private:
    void Change();
    void ApplyFont();
    void ApplyColors();
    void ApplyTextOption();
    void PaintFrame();

    TAlignment alignment_ = taLeftJustify;
    bool activate_ = false;
    TColor borderColor_ = clBtnShadow;
    bool flat_ = true;
    bool showBorder_ = true;
    TFont font_;
    bool wordWrap_ = true;
    QPointer<QMenu> popupMenu_;
    TColor color_ = clWindow;
    bool mouseOver_ = false;
};

class TmxInplaceEditor : public TPersistent {
  public:
    // Makes the edit as a hidden child of the bar; the bar owns the edit.
    explicit TmxInplaceEditor(TmxSideBar* bar);
    // Unhooks the edit, so a focus change while the bar goes finds nothing to write.
    ~TmxInplaceEditor() override;

    const char* ClassName() const override { return "TmxInplaceEditor"; }
    // From another editor: its edit's settings are copied into this one's edit, then OnChange.
    void Assign(const TPersistent& source) override;

    // Forwarded to the edit.
    TAlignment Alignment() const { return edit_->Alignment(); }
    void SetAlignment(TAlignment v) { edit_->SetAlignment(v); }
    TColor BorderColor() const { return edit_->BorderColor(); }
    void SetBorderColor(TColor v) { edit_->SetBorderColor(v); }
    bool Flat() const { return edit_->Flat(); }
    void SetFlat(bool v) { edit_->SetFlat(v); }
    bool ShowBorder() const { return edit_->ShowBorder(); }
    void SetShowBorder(bool v) { edit_->SetShowBorder(v); }
    TFont& Font() { return edit_->Font(); }
    // Copies into the edit's font without the edit's change notice.
    void SetFont(const TFont& v) { edit_->Font().Assign(v); }
    bool WordWrap() const { return edit_->WordWrap(); }
    void SetWordWrap(bool v) { edit_->SetWordWrap(v); }
    QMenu* PopupMenu() const { return edit_->PopupMenu(); }
    void SetPopupMenu(QMenu* menu) { edit_->SetPopupMenu(menu); }
    const TContextPopupEvent& OnContextPopup() const { return edit_->OnContextPopup; }
    void SetOnContextPopup(TContextPopupEvent handler) {
        edit_->OnContextPopup = std::move(handler);
    }

    // After a caption was written back; Sender is the editor.
    TNotifyEvent OnChange;

    TmxInplaceEdit* Edit() const { return edit_; }
    // True while an edit is shown; the bar then ignores the mouse.
    bool Editing() const { return editing_; }
    // The header or button being edited; nullptr when idle or when it was deleted.
    TPersistent* EditTarget() const;
    bool EditsHeader() const { return editsHeader_; }

    // Starts an edit over the caption strip of a header of this bar or the label of one of its
    // buttons: places the edit there, fills it with the caption, shows and focuses it. A running
    // edit is accepted first. Refused (false) for a read-only or hidden caption and for an
    // object that is not this bar's.
    bool BeginEdit(TmxHeader* header);
    bool BeginEdit(TmxButton* button);
    // Nothing unless editing: hides the edit and writes the text back unless cancelled.
    void EndEdit(bool cancel);
    // Writes the text into the target's Caption and tells OnChange, also for an unchanged text;
    // a cancelled edit changes nothing.
    virtual void ApplyEdit(bool cancel);

  protected:
    void AssignTo(TPersistent& dest) const override;

  private:
    bool StartEdit(TmxHeader* header, TmxButton* button, const TRect& rect,
                   const std::string& caption);
    void EditKeyDown(int& key, Qt::KeyboardModifiers shift);
    void EditExit();

    TmxSideBar* bar_;
    TmxInplaceEdit* edit_;
    bool editing_ = false;
    bool editsHeader_ = false;
};

}  // namespace orv
