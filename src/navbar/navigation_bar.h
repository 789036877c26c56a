// The side navigation bar as a control: its properties, header list, events, update
// bracketing, its layout and painting, and the mouse handling of hover and clicks.
#pragma once

#include <QBasicTimer>
#include <QPointer>
#include <QWidget>
#include <array>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <optional>
#include <string>
#include <utility>

#include "navbar/appearance.h"
#include "navbar/background.h"
#include "navbar/bar_settings.h"
#include "navbar/button.h"
#include "navbar/close_button.h"
#include "navbar/drag_data.h"
#include "navbar/drawing.h"
#include "navbar/header.h"

class QIODevice;
class QMimeData;
class QMenu;
class QPainter;

namespace orv {

enum TmxHeaderScrollType { stNone, stLinear, stAccelerated };
enum TmxScrollView { ssNormal, ssExpress, ssToolBox };
enum TmxPreSet {
    psListBar,
    psFlatListBar,
    psListBarExpress,
    psOffice,
    psOfficeXP,
    psOffice2000,
    psToolBox,
    psFlatToolBox,
    psExplorerBar,
    psExplorerBarXP,
    psExplorerBar2000
};
enum TmxDropMode { dmNowhere, dmButton };
enum TmxScrollAreaState { saNormal, saPressed, saHot, saDisabled };
enum TBevelCut { bvNone, bvLowered, bvRaised, bvSpace };
enum TBorderStyle { bsNone, bsSingle };
enum TAlign { alNone, alTop, alBottom, alLeft, alRight, alClient, alCustom };

// Cursor ids of the bar's and the buttons' Cursor property; other ids show the arrow.
enum : int {
    crDefault = 0,
    crNone = -1,
    crArrow = -2,
    crCross = -3,
    crIBeam = -4,
    crSizeNESW = -6,
    crSizeNS = -7,
    crSizeNWSE = -8,
    crSizeWE = -9,
    crUpArrow = -10,
    crHourGlass = -11,
    crNo = -18,
    crAppStart = -19,
    crHelp = -20,
    crHandPoint = -21,
    crSizeAll = -22
};
Qt::CursorShape CursorShapeOf(int cursor);

// The bar's timers, by id.
enum TmxBarTimer : int {
    btCloseDelay = 1,      // the close X's click, delivered late
    btExplorerScroll = 2,  // repeats an explorer strip held down; drag auto-scroll
    btHoverChange = 3,     // a drag hovering over a header changes to it
    btButtonScroll = 4,    // drag auto-scroll of a header's buttons
    btAlert = 5            // the alert's blink
};

struct TmxScrollArea {
    TRect Rect;
    TmxScrollAreaState State = saNormal;
};

class TmxSideBar;
class TmxInplaceEditor;

using TmxBarNotifyEvent = std::function<void(TmxSideBar* sender)>;
using TmxEventHeaderChange = std::function<void(TmxSideBar* sender, int oldIndex, int newIndex)>;
using TmxEventCanChangeHeader =
    std::function<void(TmxSideBar* sender, TmxHeader* newHeader, bool& canChange)>;
using TmxEventChangeViewStyle = std::function<void(TmxSideBar* sender, TmxViewStyle oldStyle,
                                                   TmxViewStyle newStyle, bool& canChange)>;
using TmxEventDrawHeaderButtons =
    std::function<void(TmxSideBar* sender, TCanvas& canvas, TRect rect, int activeIndex)>;
using TmxEventDrawButton =
    std::function<void(TmxSideBar* sender, TCanvas& canvas, TRect rect, TmxButtonState state)>;
using TmxEventAfterChangeStyle = std::function<void(TmxSideBar* sender, TmxPreSet newStyle)>;
using TmxEventDragAllowed =
    std::function<void(TmxSideBar* sender, TmxButton* button, bool& allowed)>;
// Source is the bar of this process the drag comes from (nullptr from elsewhere); pt is in the
// bar's coordinates; effect holds Qt's drop actions (copy 1, move 2, link 4).
using TmxEventDragEnter = std::function<void(
    TmxSideBar* sender, const QMimeData* data, TmxSideBar* source, Qt::KeyboardModifiers shift,
    TDragState state, QPoint pt, TmxDropMode mode, Qt::DropActions& effect, bool& accept)>;
using TmxEventDragOver = std::function<void(
    TmxSideBar* sender, TmxSideBar* source, Qt::KeyboardModifiers shift, TDragState state,
    QPoint pt, TmxDropMode mode, Qt::DropActions& effect, bool& accept)>;
using TmxEventDragDrop = std::function<void(
    TmxSideBar* sender, TmxSideBar* source, const QMimeData* data, const QStringList& formats,
    Qt::KeyboardModifiers shift, QPoint pt, Qt::DropActions& effect, TmxDropMode mode)>;
// A context menu asked for over the bar: sender is the button or header under the mouse, or
// nullptr for the bar itself; a handler that sets handled keeps the menu from popping up.
using TmxEventContextPopup =
    std::function<void(TmxSideBar* bar, TPersistent* sender, TPoint mousePos, bool& handled)>;
// The caption edit's context menu, the position in bar coordinates.
using TmxEventEditorContextPopup =
    std::function<void(TmxInplaceEditor* sender, TPoint mousePos, bool& handled)>;

class TmxSideBar : public QWidget, public TmxBarOwner, private TImageListObserver {
    Q_OBJECT
  public:
    explicit TmxSideBar(QWidget* parent = nullptr);
    ~TmxSideBar() override;

    // Properties.
    TColor AlertColor() const override { return alertColor_; }
    void SetAlertColor(TColor v) { alertColor_ = v; }
    TmxHeader* ActiveHeader() const override { return activeHeader_; }
    // The only way headers switch: asks OnCanChange, tells OnChange before the switch.
    void SetActiveHeader(TmxHeader* header);
    unsigned AutoButtonScrollDelay() const { return autoButtonScrollDelay_; }
    void SetAutoButtonScrollDelay(unsigned v) { autoButtonScrollDelay_ = v; }
    unsigned AutoScrollDelay() const { return autoScrollDelay_; }
    void SetAutoScrollDelay(unsigned v) { autoScrollDelay_ = v; }
    unsigned AutoChangeDelay() const { return autoChangeDelay_; }
    void SetAutoChangeDelay(unsigned v) { autoChangeDelay_ = v; }
    unsigned AlertInterval() const { return alertInterval_; }
    // A running alert blinks at the new pace.
    void SetAlertInterval(unsigned v);
    TmxBackground& Background() { return background_; }
    TBevelCut BevelInner() const { return bevelInner_; }
    void SetBevelInner(TBevelCut v) { StoreAndRepaint(bevelInner_, v); }
    TBevelCut BevelOuter() const { return bevelOuter_; }
    void SetBevelOuter(TBevelCut v) { StoreAndRepaint(bevelOuter_, v); }
    int BevelWidth() const { return bevelWidth_; }
    void SetBevelWidth(int v) { StoreAndRepaint(bevelWidth_, v); }
    TmxBorder& Border() { return border_; }
    TmxCloseButton& CloseButton() { return closeButton_; }
    TBorderStyle BorderStyle() const { return borderStyle_; }
    void SetBorderStyle(TBorderStyle v) { StoreAndRepaint(borderStyle_, v); }
    int BorderWidth() const { return borderWidth_; }
    void SetBorderWidth(int v) { StoreAndRepaint(borderWidth_, v); }
    bool CommonStyle() const override { return commonStyle_; }
    void SetCommonStyle(bool v) { StoreAndRepaint(commonStyle_, v); }
    TColor Color() const { return color_; }
    void SetColor(TColor v) { StoreAndRepaint(color_, v); }
    TColor DropMarkColor() const { return dropMarkColor_; }
    void SetDropMarkColor(TColor v) { dropMarkColor_ = v; }
    bool EachHeaderSelection() const override { return eachHeaderSelection_; }
    // Also clears every header's selection.
    void SetEachHeaderSelection(bool v);
    TmxExplorerMethod ExplorerMethod() const override { return explorerMethod_; }
    // Also scrolls every header back to its first button and makes header 0 active.
    void SetExplorerMethod(TmxExplorerMethod v);
    bool Flat() const override { return flat_; }
    void SetFlat(bool v) { StoreAndRepaint(flat_, v); }
    TmxHeaders& Headers() { return headers_; }
    TmxHeaderImages& HeaderImages() override { return headerImages_; }
    // The caption editor; assigning copies another editor's settings.
    TmxInplaceEditor& InplaceEditor() const { return *inplaceEditor_; }
    void SetInplaceEditor(const TmxInplaceEditor& v);
    std::uint8_t HeaderScrollAcceleration() const { return headerScrollAcceleration_; }
    // 0 is kept as 1.
    void SetHeaderScrollAcceleration(std::uint8_t v) { headerScrollAcceleration_ = v ? v : 1; }
    std::uint16_t ScrollChange() const { return scrollChange_; }
    void SetScrollChange(std::uint16_t v) { scrollChange_ = v; }
    TmxHeaderScrollType HeaderScrollType() const { return headerScrollType_; }
    void SetHeaderScrollType(TmxHeaderScrollType v) { headerScrollType_ = v; }
    std::uint8_t HeaderScrollValue() const { return headerScrollValue_; }
    // 0 is kept as 1.
    void SetHeaderScrollValue(std::uint8_t v) { headerScrollValue_ = v ? v : 1; }
    TmxPreSet PreSet() const { return preSet_; }
    // Applies one of the eleven looks through the ordinary setters, repainting once; assigning
    // the present value applies it again.
    void SetPreSet(TmxPreSet value);
    std::uint16_t ScrollBoxSize() const { return scrollBoxSize_; }
    void SetScrollBoxSize(std::uint16_t v) { StoreAndRepaint(scrollBoxSize_, v); }
    TmxBarSettings& Settings() { return settings_; }
    TmxScrollView ScrollView() const { return scrollView_; }
    void SetScrollView(TmxScrollView v) { StoreAndRepaint(scrollView_, v); }
    TmxBarOptions Options() const override { return options_; }
    void SetOptions(TmxBarOptions v);
    // "major.minor" of the version word; assigning has no effect.
    std::string Version() const;
    void SetVersion(const std::string&) {}
    TmxViewStyle ViewStyle() const override { return viewStyle_; }
    // Asks OnChangeViewStyle; a refusal keeps the style and the scroll offset.
    void SetViewStyle(TmxViewStyle v);
    // The mouse cursor over the bar where no button shows its own (a cr* id).
    int Cursor() const { return cursor_; }
    void SetCursor(int v);
    // Pops up on a right click where no button or header has a menu of its own.
    QMenu* PopupMenu() const { return popupMenu_; }
    void SetPopupMenu(QMenu* menu) { popupMenu_ = menu; }
    // Where the parent places the bar; kept for the parent's layout and the saved state.
    TAlign Align() const { return align_; }
    void SetAlign(TAlign v) { align_ = v; }

    // The whole bar to and from a stream or a file (bar_stream.cpp). Loading checks the whole
    // stream before it changes anything; a bad one raises EReadError and leaves the bar as it
    // was. File errors raise EFileStreamError naming the file. The bar keeps its own name.
    virtual void LoadFromFile(const QString& fileName);
    virtual void LoadFromStream(QIODevice& stream);
    virtual void SaveToFile(const QString& fileName);
    virtual void SaveToStream(QIODevice& stream);

    // Events: one handler each.
    TmxEventHeaderChange OnChange;
    TmxEventCanChangeHeader OnCanChange;
    TmxEventDrawButton OnDrawCloseButton;
    TmxEventDrawHeaderButtons OnDrawHeaderButtons;
    TmxEventDrawHeaderButtons OnAfterDrawHeaderButtons;
    TmxEventChangeViewStyle OnChangeViewStyle;
    TmxBarNotifyEvent OnHide;
    TmxBarNotifyEvent OnShow;
    TmxEventAfterChangeStyle OnAfterChangeStyle;
    TmxEventDragAllowed OnDragAllowed;
    TmxEventDragEnter OnDragEnter;
    TmxEventDragOver OnDragOver;
    TmxEventDragDrop OnDragDrop;
    TmxEventContextPopup OnContextPopup;
    TmxEventEditorContextPopup OnEditorContextPopup;

    // Header list.
    int HeaderCount() const override { return headers_.Count(); }
    // nullptr outside 0..HeaderCount-1.
    TmxHeader* GetHeader(int index) const;
    TmxHeader* Header(int index) const override { return GetHeader(index); }
    int VisibleHeaderCount() const;
    // The neighbours for Page Up and Page Down: the nearest visible header before (after) h; h
    // itself at the first (last) header or for nullptr, so the result may be invisible.
    TmxHeader* PreviousVisibleHeader(TmxHeader* h) const;
    TmxHeader* NextVisibleHeader(TmxHeader* h) const;
    // The first visible header after index; -1 when none.
    int NextVisibleIndex(int index) const;
    void DeleteHeader(TmxHeader* header);
    void DeleteHeader(int index);
    void ClearHeaders();
    // -1 without an active header.
    int GetActiveIndex() const;

    // Update bracketing: nested brackets repaint once, when the outermost one closes.
    void BeginUpdate() override;
    void EndUpdate() override;
    // The update counter is the one record of a bracket; the frames of a header switch paint
    // inside the switch's own bracket.
    bool Updating() const { return updateCount_ > 0 && !animating_; }
    int UpdateCount() const { return updateCount_; }
    void InvalidateAll() override;

    // Lays the bar out and draws it into one off-screen bitmap, copied to target in one call
    // (when given). Does nothing while Updating or while a paint runs; never throws: a paint
    // that fails copies nothing and leaves no mark set.
    void Paint(QPainter* target);
    // Lays the bar out when no paint has yet at its present size: the window can show, and
    // the pointer act on it, before the first paint has run.
    void LayOutIfStale();
    // The top-left and bottom-right colours of a bevel.
    static std::pair<TColor, TColor> BevelColors(TBevelCut cut);
    // Hit tests against the rectangles of the last paint: the button under p (in the body that
    // contains p, among the buttons shown), and the header whose caption contains p (a later
    // header wins).
    TmxButton* ButtonAt(const QPoint& p) const;
    TmxHeader* HeaderCaptionAt(const QPoint& p) const;

    // State written by painting, input, drag and drop and the caption editor; the bar forgets
    // a header or button here as soon as it is deleted.
    TmxHeader* HotHeader() const { return hotHeader_; }
    void SetHotHeader(TmxHeader* h) { hotHeader_ = h; }
    TmxHeader* BodyHeader() const { return bodyHeader_; }
    void SetBodyHeader(TmxHeader* h) { bodyHeader_ = h; }
    TmxButton* HotButton() const { return hotButton_; }
    void SetHotButton(TmxButton* b) { hotButton_ = b; }
    TmxButton* AlertButton() const override { return alertButton_; }
    // Starts the button's alert; nullptr stops it.
    void SetAlertButton(TmxButton* button);
    void StopAlert() override;
    // The explorer view's content by ScrollChange pixels (not above the top), repainted.
    void ScrollExplorerUp();
    void ScrollExplorerDown();
    // Forgets what the mouse was over: captions and buttons look normal again.
    void ResetHot();
    // The bar's timers: started with an interval in milliseconds, killed, and one tick run as if
    // it had come.
    void StartBarTimer(TmxBarTimer id, unsigned interval);
    void KillBarTimer(TmxBarTimer id);
    bool BarTimerActive(TmxBarTimer id) const;
    void BarTimerTick(TmxBarTimer id);
    // Test seam: runs at every step of a header switch's animation, after the rectangles moved
    // and before the frame is painted, in place of letting pending events through.
    std::function<void(TmxSideBar* sender)> SwitchFrameHook;
    TmxHeader* DropHeader() const { return dropHeader_; }
    TmxButton* DropButton() const { return dropButton_; }
    void SetDropTarget(TmxHeader* header, TmxButton* button) {
        dropHeader_ = header;
        dropButton_ = button;
    }
    TmxButton* DragSource() const { return dragSource_; }
    void SetDragSource(TmxButton* b) { dragSource_ = b; }
    TmxHeader* EditorHeader() const { return editorHeader_; }
    TmxButton* EditorButton() const { return editorButton_; }
    void SetEditorTarget(TmxHeader* header, TmxButton* button) {
        editorHeader_ = header;
        editorButton_ = button;
    }
    int ExplorerScrollOffset() const { return explorerScrollOffset_; }
    void SetExplorerScrollOffset(int v) { explorerScrollOffset_ = v; }
    TmxScrollArea& ExplorerUpArrow() { return explorerUpArrow_; }
    TmxScrollArea& ExplorerDownArrow() { return explorerDownArrow_; }
    TmxScrollArea& ButtonUpBox() { return buttonUpBox_; }
    TmxScrollArea& ButtonDownBox() { return buttonDownBox_; }
    bool ContentOverflow() const { return contentOverflow_; }
    int AnimatingIndex() const { return animatingIndex_; }
    bool Animating() const { return animating_; }
    bool AutoLayout() const override { return autoLayout_; }
    int StoredActiveIndex() const { return storedActiveIndex_; }
    // The active index a stored form holds, made active by Loaded.
    void SetStoredActiveIndex(int v) { storedActiveIndex_ = v; }
    // Ends loading a stored form: the stored active header is set directly, without events or
    // animation.
    void Loaded();
    bool IsLoaded() const override { return isLoaded_; }
    bool DragInProgress() const { return dragInProgress_; }

    // Dragging buttons (drag_drop.cpp). The drop manager, made with the bar, serves its drops
    // and the drags out of it.
    TmxDragDropManager* DropManager() const { return dropManager_.get(); }
    // The button being dragged out of this bar; nullptr outside a drag.
    TmxButton* DragButton() const { return dragSource_; }
    TmxDropMode DropMode() const { return dropMode_; }
    bool DragAccepted() const { return dragAccepted_; }
    // Bits: kDragArmed (a press waits for the pointer to travel), kDragRunning, kDragStarting
    // (the pointer went far enough; the drag starts at the next turn of the event loop unless
    // the release comes first).
    int DragState() const { return dragState_; }
    static constexpr int kDragArmed = 1;
    static constexpr int kDragRunning = 2;
    static constexpr int kDragStarting = 4;
    // Arms a drag of the pressed button, or starts it at once; a threshold below 0 takes the
    // system's drag distance.
    void BeginButtonDrag(bool immediate, int threshold = -1);
    // Hit tests of a drag. ButtonAtPoint widens the buttons to the whole width (and, with only
    // the active header in scope, the first and last shown ones to the bar's top and bottom);
    // DropButtonAt also sets the button's drop position.
    TmxButton* ButtonAtPoint(const QPoint& p) const;
    TmxButton* DropButtonAt(const QPoint& p) const;
    TmxHeader* HeaderAtPoint(const QPoint& p) const;
    // The drag operations; the drop manager calls the Ole ones with points in the bar's
    // coordinates. Each answers false where the drop-target call fails.
    virtual bool OleDragEnter(const QMimeData* data, Qt::KeyboardModifiers keys,
                              Qt::DropActions& effect, const QPoint& pt);
    virtual bool OleDragOver(TmxSideBar* source, Qt::KeyboardModifiers keys,
                             Qt::DropActions& effect, const QPoint& pt, TDragState state);
    virtual bool OleDrop(const QMimeData* data, Qt::KeyboardModifiers keys, Qt::DropActions& effect,
                         const QPoint& pt);
    virtual void OleDragLeave();
    virtual Qt::DropActions GetDropEffect(TmxSideBar* source, Qt::KeyboardModifiers keys,
                                          Qt::DropActions allowed, const QPoint& pt);
    virtual void InvalidateDropMark(TmxButton* button);
    // The kind-1 record holding the button's record, then the button's record itself.
    void WriteDragData(QIODevice& stream, TmxButton* button);
    virtual void WriteButtonData(QIODevice& stream, TmxButton* button);
    virtual void DrawDropMark(TCanvas& canvas, const TRect& rect, int position);
    virtual void DragScroll(const QPoint& pt);
    virtual bool DoDragAllowed(TmxButton* button);

    // TmxBarOwner.
    TmxBarSettings& BarSettings() override { return settings_; }
    bool IsEnabled() const override { return isEnabled(); }
    void DropActiveHeader() override { activeHeader_ = nullptr; }
    void HeaderDeleted(TmxHeader* header) override;
    void ButtonDeleted(TmxButton* button) override;

    // Properties with plain values.
    static const std::array<TPropertyDefault, 26> kDefaults;

  protected:
    virtual void DoChange(int oldIndex, int newIndex);
    virtual void DoCanChange(TmxHeader* newHeader, bool& canChange);
    virtual bool DoChangeViewStyle(TmxViewStyle oldStyle, TmxViewStyle newStyle);
    virtual void DoDrawHeaderButtons(TCanvas& canvas, const TRect& rect, int activeIndex);
    virtual void DoAfterDrawHeaderButtons(TCanvas& canvas, const TRect& rect, int activeIndex);
    virtual void DoDrawCloseButton(TCanvas& canvas, const TRect& rect, TmxButtonState state);
    virtual void DoShow();
    virtual void DoHide();
    virtual void DoClose();
    virtual void DoContextPopup(TPersistent* sender, TPoint mousePos, bool& handled);
    virtual void DoEditorContextPopup(TPoint mousePos, bool& handled);

    // Paints what lies under the bar into the bitmap (transparent background).
    virtual void CopyParentBackground(QImage* bitmap);

    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void timerEvent(QTimerEvent* event) override;
    bool event(QEvent* event) override;
    // Alt with an accelerator character anywhere in the bar's window.
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    friend class TmxDragDropManager;
    // The bodies of the Qt handlers above; each override runs its body under the guard
    // (bar_events.cpp).
    void HandlePaint(QPaintEvent* event);
    void HandleShow(QShowEvent* event);
    void HandleHide(QHideEvent* event);
    void HandleMouseMove(QMouseEvent* event);
    void HandleMousePress(QMouseEvent* event);
    void HandleMouseRelease(QMouseEvent* event);
    void HandleEnter(QEnterEvent* event);
    void HandleLeave(QEvent* event);
    void HandleDragEnter(QDragEnterEvent* event);
    void HandleDragMove(QDragMoveEvent* event);
    void HandleDragLeave(QDragLeaveEvent* event);
    void HandleDrop(QDropEvent* event);
    void HandleWheel(QWheelEvent* event);
    void HandleKeyPress(QKeyEvent* event);
    void HandleFocusIn(QFocusEvent* event);
    void HandleFocusOut(QFocusEvent* event);
    void HandleContextMenu(QContextMenuEvent* event);
    void HandleTimer(QTimerEvent* event);
    bool HandleEvent(QEvent* event);
    bool HandleEventFilter(QObject* watched, QEvent* event);
    // Runs OnShow or OnHide once the show or hide is through.
    void PostVisibilityChange(bool shown);
    void ImageListFreed(TImageList* list) override;
    // The look's values, without the bracket and the handler.
    void ApplyPreSet(TmxPreSet value);
    void ApplyListBarGroup(TColor color, TColor buttonFontColor, int firstButtonTop);
    void ApplyOfficeGroup();
    void ApplyExplorerGroup(TColor color, TColor headerPenColor, int firstButtonTop,
                            bool captionBorder, bool whiteCaptions);
    void ApplyToolBoxAdditions();
    // Every header's body becomes a wash of white over the bar.
    void SetHeaderWashes(std::uint8_t alphaBlend);
    // Pixels of window frame on each side, outside the client area (BorderStyle, BorderWidth).
    int FrameWidth() const;
    // Steps of Paint, into the bitmap; throws when a header goes missing on the way.
    void PaintBitmap(QImage* bitmap);
    void DrawScrollArea(TCanvas& canvas, const TmxScrollArea& area, bool thin, bool up,
                        bool buttonBox);
    void DrawCloseHeader(QImage* bitmap, TCanvas& canvas, const TRect& closeRect);
    TmxHeader* BodyHeaderAt(const QPoint& p) const;
    // Hot header, body header and hot button for the mouse at p (none of them without the hit
    // test); true when any changed.
    bool TrackMouse(const QPoint& p, bool hitTest = true);
    // The mouse's part in dragging a button: a left press may arm a drag, a move far enough
    // starts it (and the move goes no further), a release disarms it.
    void DragPress(const QPoint& p, Qt::KeyboardModifiers modifiers);
    bool DragMoveStarts(const QPoint& p);
    void DragRelease();
    void StartOleDrag(const QPoint& p);
    bool InternalDrop(const QMimeData* data, TmxButton* target, int position,
                      Qt::DropActions& effect);
    bool MoveDroppedButton(TmxSideBar* source, const QMimeData* data, Qt::DropActions& effect,
                           int position, TmxButton* target);
    // The drop target, the drag header, the drag timers and pressed scroll areas go when a drag
    // leaves or drops.
    void EndDragOver();
    // After the content moved under a drag that rests (scrolled, or a header changed), the drop
    // target and its mark are found again at the drag's last point.
    void FollowDragPoint();
    // The end of a drag enter or move: the effect for the keys, then the handlers' answer
    // through ask; a refusal clears the effect.
    void SettleDragEffect(TmxSideBar* source, Qt::KeyboardModifiers keys, Qt::DropActions& effect,
                          const QPoint& pt, const std::function<void(bool& accept)>& ask);
    // Painting: the drop mark of the drop target when it lies in header.
    void PaintDropMark(TCanvas& canvas, TmxHeader* header);
    // Forgets a header deleted while a switch or its handlers run.
    struct HeaderWatch {
        HeaderWatch(TmxSideBar* bar, TmxHeader* header);
        ~HeaderWatch();
        HeaderWatch(const HeaderWatch&) = delete;
        HeaderWatch& operator=(const HeaderWatch&) = delete;
        TmxSideBar* bar;
        TmxHeader* header;
        bool gone = false;
        HeaderWatch* next;
    };
    // The stepped slide from the active header to header; false when the bar was destroyed.
    bool AnimateSwitch(TmxHeader* header);
    // A painted frame of the animation, then the pending events (or the test hook).
    void PaintSwitchFrame();
    void LetEventsThrough();
    void InvalidateRect(const TRect& r);
    void ShowCursor(int id);
    // Runs an accelerator character: true when a header or button took it.
    bool DialogChar(QChar c);
    void HoverChange();
    void AlertTick();
    void ShowContextMenu(QContextMenuEvent* event);
    template <typename T>
    void StoreAndRepaint(T& field, const T& value) {
        if (field != value) {
            field = value;
            InvalidateAll();
        }
    }

    TmxHeaders headers_{this};
    TmxBackground background_;
    TmxBarSettings settings_;
    TmxHeaderImages headerImages_{this};
    TmxBorder border_;
    TmxCloseButton closeButton_{this};
    std::unique_ptr<TmxInplaceEditor> inplaceEditor_;

    TColor alertColor_ = clRed;
    TmxHeader* activeHeader_ = nullptr;
    unsigned autoButtonScrollDelay_ = 600;
    unsigned autoScrollDelay_ = 500;
    unsigned autoChangeDelay_ = 100;
    unsigned alertInterval_ = 500;
    TBevelCut bevelInner_ = bvNone;
    TBevelCut bevelOuter_ = bvLowered;
    int bevelWidth_ = 1;
    TBorderStyle borderStyle_ = bsNone;
    int borderWidth_ = 0;
    bool commonStyle_ = true;
    TColor color_ = clBtnFace;
    TColor dropMarkColor_ = clBlack;
    bool eachHeaderSelection_ = false;
    TmxExplorerMethod explorerMethod_ = emCloseUp;
    bool flat_ = true;
    std::uint8_t headerScrollAcceleration_ = 5;
    std::uint16_t scrollChange_ = 50;
    TmxHeaderScrollType headerScrollType_ = stAccelerated;
    std::uint8_t headerScrollValue_ = 20;
    TmxPreSet preSet_ = psListBar;
    std::uint16_t scrollBoxSize_ = 15;
    TmxScrollView scrollView_ = ssNormal;
    TmxBarOptions options_ = BarOptions({boAcceptOLEDrop, boAutoScroll, boAutoChangeHeader,
                                         boFocusOnMouseEnter, boHeaderFrame, boInternalDrop});
    std::uint16_t versionWord_ = 0x020D;
    TmxViewStyle viewStyle_ = vsListBar;
    TAlign align_ = alLeft;

    TmxHeader* hotHeader_ = nullptr;
    TmxHeader* bodyHeader_ = nullptr;
    TmxButton* hotButton_ = nullptr;
    TmxButton* alertButton_ = nullptr;
    TmxHeader* dropHeader_ = nullptr;
    TmxButton* dropButton_ = nullptr;
    // Where a drag over the bar was last told to be; unset while none is over it.
    std::optional<QPoint> dragPoint_;
    TmxButton* dragSource_ = nullptr;
    TmxHeader* editorHeader_ = nullptr;
    TmxButton* editorButton_ = nullptr;
    int explorerScrollOffset_ = 0;
    TmxScrollArea explorerUpArrow_{TRect{-1000, -1000, -1000, -1000}};
    TmxScrollArea explorerDownArrow_{TRect{-1000, -1000, -1000, -1000}};
    TmxScrollArea buttonUpBox_;
    TmxScrollArea buttonDownBox_;
    bool contentOverflow_ = false;
    int animatingIndex_ = -1;
    bool autoLayout_ = true;
    int updateCount_ = 0;
    bool inPaint_ = false;
    // The size the last whole paint laid the bar out at; empty until one has.
    QSize laidOutSize_;
    int storedActiveIndex_ = -1;
    bool isLoaded_ = false;
    bool dragInProgress_ = false;
    bool destroying_ = false;
    // Counts deleted headers, so a paint notices a header deleted under it.
    int headerDeletions_ = 0;
    std::unique_ptr<TmxDragDropManager> dropManager_;
    TmxDropMode dropMode_ = dmNowhere;
    bool dragAccepted_ = false;
    int dragState_ = 0;
    int dragThreshold_ = 0;
    QPoint mouseDownPoint_;
    // The button a left press approved for dragging.
    TmxButton* pressedButton_ = nullptr;
    HeaderWatch* watches_ = nullptr;
    bool animating_ = false;
    bool inMouseMove_ = false;
    int cursor_ = crDefault;
    QPointer<QMenu> popupMenu_;
    std::array<QBasicTimer, 5> timers_;
    // Wheel turns not yet worth a notch, signed by their direction.
    int wheelRest_ = 0;
};

}  // namespace orv
