#include <gtest/gtest.h>
#include <QApplication>
#include <QBuffer>
#include <QDragEnterEvent>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QPointer>
#include <QTest>
#include <QUrl>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "navbar/drag_data.h"
#include "navbar/navigation_bar.h"

namespace orv {
namespace {

const std::vector<std::string> kTools{"IP Domain Converter", "Batch Ping", "IP Country Converter",
                                      "Traceroute",          "Whois",      "Website Scanner",
                                      "Connection Monitor"};

std::vector<std::string> Captions(const TmxHeader* h) {
    std::vector<std::string> out;
    for (int i = 0; i < h->GetButtonCount(); ++i) {
        out.push_back(h->GetButton(i)->Caption());
    }
    return out;
}

TmxButton* Find(const TmxHeader* h, const std::string& caption) {
    for (int i = 0; i < h->GetButtonCount(); ++i) {
        if (h->GetButton(i)->Caption() == caption) {
            return h->GetButton(i);
        }
    }
    return nullptr;
}

QPoint Centre(const TRect& r) {
    return {r.Left + r.Width() / 2, r.Top + r.Height() / 2};
}
// A point in the upper or lower half of a button.
QPoint Upper(const TmxButton* b) {
    const TRect& r = b->Layout().Button;
    return {r.Left + r.Width() / 2, r.Top + 2};
}
QPoint Lower(const TmxButton* b) {
    const TRect& r = b->Layout().Button;
    return {r.Left + r.Width() / 2, r.Bottom - 2};
}

// A bar like the main window's: the seven tools in header 0, one button in header 1, header 2
// empty. Small buttons, so every button is shown in either view.
void FillLikeTheWindow(TmxSideBar& bar, TmxHeader* (&h)[3], TmxViewStyle view, int height) {
    bar.resize(140, height);
    bar.SetHeaderScrollType(stNone);
    bar.SetViewStyle(view);
    bar.Settings().SetButtonStyle(bsSmall);
    for (TmxHeader*& header : h) {
        header = bar.Headers().Add();
    }
    for (const std::string& caption : kTools) {
        h[0]->AddButton()->SetCaption(caption);
    }
    h[1]->AddButton()->SetCaption("Local Information");
    bar.SetActiveHeader(h[0]);
    if (view == vsExplorerBar) {
        // The switch toggled header 0 closed.
        h[0]->SetOpened(true);
    }
    bar.Paint(nullptr);
}

struct ToolBar {
    TmxSideBar bar;
    TmxHeader* h[3];
    explicit ToolBar(TmxViewStyle view = vsExplorerBar, int height = 400) {
        FillLikeTheWindow(bar, h, view, height);
    }
    void Layout() { bar.Paint(nullptr); }
    // The application takes drops from other programs in OnDragDrop; without a handler the bar
    // refuses them at once.
    void TakeForeignDrops() { TakeForeignDropsOn(bar); }
    static void TakeForeignDropsOn(TmxSideBar& bar) {
        bar.OnDragDrop = [](TmxSideBar*, TmxSideBar*, const QMimeData*, const QStringList&,
                            Qt::KeyboardModifiers, QPoint, Qt::DropActions&, TmxDropMode) {};
    }
    TmxButton* B(int header, const std::string& caption) const { return Find(h[header], caption); }
    QPoint CaptionPoint(int header) const { return Centre(h[header]->CaptionRect()); }
};

// The drop side of a drag, played by the test: enter at the first point, a move to each point,
// then a drop when the last move was accepted, else a leave.
struct DropSide {
    TmxSideBar* target = nullptr;
    std::vector<QPoint> path;
    Qt::KeyboardModifiers keys = Qt::NoModifier;
    // Runs after the moves, before the drop.
    std::function<void()> beforeDrop;
    // The drag ends in the last answer given while hovering, not in the drop's: what an X11
    // source does when the target is another process.
    bool hoverAnswerWins = false;
    // The target bar runs in another process: the data names a bar of another process.
    bool otherProcess = false;
    // Without a target bar: another program, which takes whatever is proposed.
    bool takesWhatIsProposed = false;
};

// The data as a bar in another process of the program sees it.
std::unique_ptr<QMimeData> FromAnotherProcess(const QMimeData* data) {
    auto seen = std::make_unique<QMimeData>();
    for (const QString& format : data->formats()) {
        seen->setData(format, data->data(format));
    }
    const std::int32_t barId = TmxDragDropManager::GetSourceBar(data)->DropManager()->BarId();
    seen->setData(kReferenceFormat, ReferenceBlock(CurrentProcessId() + 1, barId));
    return seen;
}

Qt::DropAction PlayDrop(const DropSide& side, const QMimeData* sent, Qt::DropActions allowed,
                        Qt::DropAction proposed = Qt::CopyAction) {
    if (side.target == nullptr) {
        // The platform proposes a move while Shift is held.
        return !side.takesWhatIsProposed       ? Qt::IgnoreAction
               : side.keys & Qt::ShiftModifier ? Qt::MoveAction
                                               : proposed;
    }
    std::unique_ptr<QMimeData> seen = side.otherProcess ? FromAnotherProcess(sent) : nullptr;
    const QMimeData* data = seen ? seen.get() : sent;
    QDragEnterEvent enter(side.path.front(), allowed, data, Qt::LeftButton, side.keys);
    QApplication::sendEvent(side.target, &enter);
    bool accepted = enter.isAccepted();
    Qt::DropAction hover = accepted ? enter.dropAction() : Qt::IgnoreAction;
    for (const QPoint& p : side.path) {
        QDragMoveEvent move(p, allowed, data, Qt::LeftButton, side.keys);
        QApplication::sendEvent(side.target, &move);
        accepted = move.isAccepted();
        hover = accepted ? move.dropAction() : Qt::IgnoreAction;
    }
    if (side.beforeDrop) {
        side.beforeDrop();
    }
    if (!accepted) {
        QDragLeaveEvent leave;
        QApplication::sendEvent(side.target, &leave);
        return Qt::IgnoreAction;
    }
    QDropEvent drop(side.path.back(), allowed, data, Qt::LeftButton, side.keys);
    QApplication::sendEvent(side.target, &drop);
    if (side.hoverAnswerWins) {
        return hover;
    }
    return drop.isAccepted() ? drop.dropAction() : Qt::IgnoreAction;
}

// Replaces the system's drag loop while a test runs; records what each drag carried.
class DragDropTest : public ::testing::Test {
  protected:
    void SetUp() override {
        TmxDragDropManager::SetDragLoop([this](TmxSideBar* source, QMimeData* data,
                                               Qt::DropActions allowed, Qt::DropAction proposed) {
            ++drags;
            sources.push_back(source);
            resources.push_back(data->data(kResourceFormat));
            const Qt::DropAction action = PlayDrop(side, data, allowed, proposed);
            results.push_back(action);
            return action;
        });
    }
    void TearDown() override { TmxDragDropManager::SetDragLoop(nullptr); }

    // Presses the left button at from (with keys), moves past the drag distance, and lets the
    // drop side play.
    void Drag(TmxSideBar& bar, QPoint from, Qt::KeyboardModifiers pressKeys = Qt::NoModifier,
              std::vector<QPoint> movesBeforeStart = {}) {
        Send(bar, QEvent::MouseButtonPress, from, Qt::LeftButton, pressKeys);
        for (const QPoint& p : movesBeforeStart) {
            Send(bar, QEvent::MouseMove, p, Qt::LeftButton, pressKeys);
        }
        const int far = QApplication::startDragDistance() + 5;
        Send(bar, QEvent::MouseMove, from + QPoint(far, far), Qt::LeftButton, pressKeys);
        // The drag starts from the event loop, while the button is still held.
        QCoreApplication::processEvents();
        Send(bar, QEvent::MouseButtonRelease, from + QPoint(far, far), Qt::LeftButton,
             Qt::NoModifier);
    }
    static void Send(TmxSideBar& bar, QEvent::Type type, QPoint p, Qt::MouseButton button,
                     Qt::KeyboardModifiers keys) {
        const Qt::MouseButtons held =
            type == QEvent::MouseButtonRelease ? Qt::MouseButtons() : Qt::MouseButtons(button);
        QMouseEvent event(type, QPointF(p), QPointF(bar.mapToGlobal(p)),
                          type == QEvent::MouseMove ? Qt::NoButton : button, held, keys);
        QApplication::sendEvent(&bar, &event);
    }

    DropSide side;
    int drags = 0;
    std::vector<TmxSideBar*> sources;
    std::vector<QByteArray> resources;
    std::vector<Qt::DropAction> results;
};

// The int32 values of a block, little-endian.
QByteArray Ints(std::initializer_list<std::int32_t> values) {
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    for (std::int32_t v : values) {
        WriteInt32(buffer, v);
    }
    return buffer.data();
}

TEST_F(DragDropTest, ADragWithinAHeaderReordersOrCopiesByTheDropPosition) {
    struct Case {
        const char* name;
        std::string dragged;
        std::string target;
        bool upper;
        Qt::KeyboardModifiers keys;
        std::uint8_t position;
        std::vector<std::string> order;
    };
    const std::vector<Case> cases{
        {"Batch Ping dragged down below Whois ends after it",
         "Batch Ping",
         "Whois",
         false,
         Qt::NoModifier,
         2,
         {"IP Domain Converter", "IP Country Converter", "Traceroute", "Whois", "Batch Ping",
          "Website Scanner", "Connection Monitor"}},
        {"Whois dragged up onto Batch Ping ends before it",
         "Whois",
         "Batch Ping",
         false,
         Qt::NoModifier,
         2,
         {"IP Domain Converter", "Whois", "Batch Ping", "IP Country Converter", "Traceroute",
          "Website Scanner", "Connection Monitor"}},
        {"Ctrl copies Batch Ping after Whois",
         "Batch Ping",
         "Whois",
         false,
         Qt::ControlModifier,
         2,
         {"IP Domain Converter", "Batch Ping", "IP Country Converter", "Traceroute", "Whois",
          "Batch Ping", "Website Scanner", "Connection Monitor"}},
        {"a copy onto the upper half of the first button goes before it",
         "Whois",
         "IP Domain Converter",
         true,
         Qt::ControlModifier,
         1,
         {"Whois", "IP Domain Converter", "Batch Ping", "IP Country Converter", "Traceroute",
          "Whois", "Website Scanner", "Connection Monitor"}},
        {"a copy onto the upper half of another button goes after it",
         "Whois",
         "Traceroute",
         true,
         Qt::ControlModifier,
         2,
         {"IP Domain Converter", "Batch Ping", "IP Country Converter", "Traceroute", "Whois",
          "Whois", "Website Scanner", "Connection Monitor"}},
        {"onto the last button: after it as the last",
         "Batch Ping",
         "Connection Monitor",
         true,
         Qt::NoModifier,
         3,
         {"IP Domain Converter", "IP Country Converter", "Traceroute", "Whois", "Website Scanner",
          "Connection Monitor", "Batch Ping"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        for (TmxViewStyle view : {vsExplorerBar, vsListBar}) {
            ToolBar t(view);
            TmxButton* target = t.B(0, c.target);
            const QPoint at = c.upper ? Upper(target) : Lower(target);
            side = {&t.bar, {at}, c.keys, [&] {
                        EXPECT_EQ(t.bar.DropButton(), target);
                        EXPECT_EQ(target->DropPosition(), c.position);
                    }};
            results.clear();
            Drag(t.bar, Centre(t.B(0, c.dragged)->Layout().Button));
            EXPECT_EQ(Captions(t.h[0]), c.order);
            // Nothing is deleted at the source: neither a reorder nor a copy is a move.
            ASSERT_EQ(results.size(), 1u);
            EXPECT_EQ(results[0], Qt::IgnoreAction);
            EXPECT_EQ(t.bar.DragButton(), nullptr);
            EXPECT_EQ(t.bar.DropButton(), nullptr);
            EXPECT_FALSE(t.bar.DragInProgress());
            EXPECT_EQ(t.bar.DragState(), 0);
        }
    }
}

TEST_F(DragDropTest, ADragToAnotherHeaderOrBarMovesOrCopies) {
    struct Case {
        const char* name;
        bool otherBar;
        Qt::KeyboardModifiers keys;
        Qt::DropAction result;
        bool sourceKeeps;
    };
    const std::vector<Case> cases{
        {"another header moves", false, Qt::NoModifier, Qt::MoveAction, false},
        {"another header with Ctrl copies", false, Qt::ControlModifier, Qt::IgnoreAction, true},
        {"another bar copies", true, Qt::NoModifier, Qt::IgnoreAction, true},
        {"another bar with Shift moves", true, Qt::ShiftModifier, Qt::MoveAction, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ToolBar a;
        ToolBar b;
        ToolBar& dest = c.otherBar ? b : a;
        side = {&dest.bar, {Lower(dest.B(1, "Local Information"))}, c.keys, {}};
        results.clear();
        Drag(a.bar, Centre(a.B(0, "Batch Ping")->Layout().Button));
        ASSERT_EQ(results.size(), 1u);
        EXPECT_EQ(results[0], c.result);
        EXPECT_EQ(Captions(dest.h[1]),
                  (std::vector<std::string>{"Local Information", "Batch Ping"}));
        EXPECT_EQ(a.B(0, "Batch Ping") != nullptr, c.sourceKeeps);
        EXPECT_EQ(Captions(b.h[0]), kTools);
    }
}

TEST_F(DragDropTest, DropOnAHeaderWithoutATargetButton) {
    struct Case {
        const char* name;
        int header;
        std::vector<std::string> emptyHeader;
        int dragDrops;
    };
    const std::vector<Case> cases{
        // The empty header takes the button.
        {"empty header", 2, {"Batch Ping"}, 0},
        // A header with buttons moves nothing; the application hears of the drop.
        {"header with buttons", 1, {}, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ToolBar t;
        int dragDrops = 0;
        QStringList formats;
        TmxSideBar* from = nullptr;
        Qt::DropActions effect = Qt::CopyAction;
        t.bar.OnDragDrop = [&](TmxSideBar*, TmxSideBar* source, const QMimeData*,
                               const QStringList& f, Qt::KeyboardModifiers, QPoint,
                               Qt::DropActions& e, TmxDropMode mode) {
            ++dragDrops;
            formats = f;
            from = source;
            effect = e;
            EXPECT_EQ(mode, dmNowhere);
        };
        side = {&t.bar, {t.CaptionPoint(c.header)}, Qt::NoModifier, {}};
        Drag(t.bar, Centre(t.B(0, "Batch Ping")->Layout().Button));
        EXPECT_EQ(Captions(t.h[2]), c.emptyHeader);
        EXPECT_EQ(dragDrops, c.dragDrops);
        EXPECT_EQ(t.B(0, "Batch Ping") != nullptr, c.emptyHeader.empty());
        if (c.dragDrops > 0) {
            EXPECT_EQ(from, &t.bar);
            EXPECT_TRUE(formats.contains(kReferenceFormat));
            EXPECT_TRUE(formats.contains(kResourceFormat));
            // The internal move got as far as the check of the data and cleared the effect.
            EXPECT_EQ(effect, Qt::DropActions(Qt::IgnoreAction));
        }
    }
}

TEST_F(DragDropTest, RefusedDropsChangeNothing) {
    struct Case {
        const char* name;
        bool foreign;
        TmxBarOptions removed;
        bool refuseInOver;
        bool accepted;
    };
    const std::vector<Case> cases{
        {"foreign data without boAcceptOLEDrop", true, BarOptions({boAcceptOLEDrop}), false, false},
        {"foreign data with boAcceptOLEDrop", true, 0, false, true},
        {"a bar's data without boInternalDrop", false, BarOptions({boInternalDrop}), false, false},
        {"OnDragOver refuses", false, 0, true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ToolBar t;
        t.bar.SetOptions(t.bar.Options() & ~c.removed);
        int dragDrops = 0;
        QStringList formats;
        t.bar.OnDragDrop = [&](TmxSideBar*, TmxSideBar*, const QMimeData*, const QStringList& f,
                               Qt::KeyboardModifiers, QPoint, Qt::DropActions&, TmxDropMode) {
            ++dragDrops;
            formats = f;
        };
        if (c.refuseInOver) {
            t.bar.OnDragOver = [](TmxSideBar*, TmxSideBar*, Qt::KeyboardModifiers, TDragState,
                                  QPoint, TmxDropMode, Qt::DropActions&,
                                  bool& accept) { accept = false; };
        }
        side = {&t.bar, {Lower(t.B(0, "Whois"))}, Qt::NoModifier, {}};
        Qt::DropAction result;
        if (c.foreign) {
            QMimeData text;
            text.setText("from elsewhere");
            result = PlayDrop(side, &text, Qt::CopyAction | Qt::MoveAction);
        } else {
            results.clear();
            Drag(t.bar, Centre(t.B(0, "Batch Ping")->Layout().Button));
            ASSERT_EQ(results.size(), 1u);
            result = results[0];
        }
        EXPECT_EQ(Captions(t.h[0]), kTools);
        EXPECT_EQ(t.bar.DropButton(), nullptr);
        EXPECT_EQ(dragDrops, c.accepted ? 1 : 0);
        EXPECT_EQ(result, c.accepted ? Qt::CopyAction : Qt::IgnoreAction);
        if (c.accepted) {
            EXPECT_EQ(formats, QStringList{"text/plain"});
        }
    }
}

TEST_F(DragDropTest, ADragFromAnotherProgramIsAcceptedOnlyWhereItWillBeTaken) {
    struct Case {
        const char* name;
        bool files;
        bool handler;
    };
    const std::vector<Case> cases{
        {"text, taken by OnDragDrop", false, true},
        {"a file list, taken by OnDragDrop", true, true},
        {"text without OnDragDrop", false, false},
        {"a file list without OnDragDrop", true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ToolBar t;
        int dragDrops = 0;
        QStringList formats;
        if (c.handler) {
            t.bar.OnDragDrop = [&](TmxSideBar*, TmxSideBar*, const QMimeData*, const QStringList& f,
                                   Qt::KeyboardModifiers, QPoint, Qt::DropActions&, TmxDropMode) {
                ++dragDrops;
                formats = f;
            };
        }
        QMimeData data;
        if (c.files) {
            data.setUrls({QUrl::fromLocalFile("/tmp/a.txt"), QUrl::fromLocalFile("/tmp/b.txt")});
        } else {
            data.setText("from elsewhere");
        }
        // Shift asks for a move, and the other program acts on the answer given while
        // hovering: a bar that would refuse the drop must not answer a move before it.
        bool markShown = false;
        DropSide shifted{&t.bar, {Lower(t.B(0, "Whois"))}, Qt::ShiftModifier, [&] {
                             markShown = t.bar.DropButton() != nullptr && t.bar.DragAccepted();
                         }};
        shifted.hoverAnswerWins = true;
        const Qt::DropAction result = PlayDrop(shifted, &data, Qt::CopyAction | Qt::MoveAction);
        EXPECT_EQ(result, c.handler ? Qt::MoveAction : Qt::IgnoreAction);
        EXPECT_EQ(markShown, c.handler);
        EXPECT_EQ(dragDrops, c.handler ? 1 : 0);
        if (c.handler) {
            EXPECT_EQ(formats, (QStringList{c.files ? "text/uri-list" : "text/plain"}));
        }
        EXPECT_EQ(Captions(t.h[0]), kTools);
        EXPECT_EQ(t.bar.DropButton(), nullptr);
    }
}

TEST_F(DragDropTest, ARefusedDropNeverDeletesTheSource) {
    struct Case {
        const char* name;
        // The drop lands on the other bar, else on the source bar itself.
        bool otherBar;
        bool otherProcess;
        // On a button of header 1, else on header 1's caption, where no button is a target.
        bool onButton;
        bool taken;
    };
    const std::vector<Case> cases{
        {"another running program's bar", true, true, true, false},
        {"another bar, refused at the drop", true, false, false, false},
        {"its own bar, refused at the drop", false, false, false, false},
        {"another bar that takes it", true, false, true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ToolBar a;
        ToolBar b;
        ToolBar& dest = c.otherBar ? b : a;
        const QPoint at = c.onButton ? Lower(dest.B(1, "Local Information")) : dest.CaptionPoint(1);
        // Shift held for a move; the drag ends in the answer given while hovering, as an X11
        // source's does.
        side = {&dest.bar, {at}, Qt::ShiftModifier, {}};
        side.hoverAnswerWins = true;
        side.otherProcess = c.otherProcess;
        results.clear();
        Drag(a.bar, Centre(a.B(0, "Batch Ping")->Layout().Button));
        ASSERT_EQ(results.size(), 1u);
        EXPECT_EQ(a.B(0, "Batch Ping") != nullptr, !c.taken);
        std::vector<std::string> header1{"Local Information"};
        if (c.taken) {
            header1.push_back("Batch Ping");
        }
        EXPECT_EQ(Captions(dest.h[1]), header1);
        EXPECT_EQ(Captions(b.h[0]), kTools);
    }
}

TEST_F(DragDropTest, ADragOutOntoAnotherProgramCopiesUnlessShiftIsHeld) {
    for (const Qt::KeyboardModifiers keys :
         {Qt::KeyboardModifiers(), Qt::KeyboardModifiers(Qt::ShiftModifier)}) {
        const bool shift = keys != Qt::NoModifier;
        SCOPED_TRACE(shift ? "Shift" : "no key");
        ToolBar t;
        side = {nullptr, {}, keys, {}};
        side.takesWhatIsProposed = true;
        results.clear();
        Drag(t.bar, Centre(t.B(0, "Batch Ping")->Layout().Button));
        ASSERT_EQ(results.size(), 1u);
        EXPECT_EQ(results[0], shift ? Qt::MoveAction : Qt::CopyAction);
        EXPECT_EQ(t.B(0, "Batch Ping") != nullptr, !shift);
    }
}

TEST(DropEffectTest, KeysChooseAmongTheAllowedEffects) {
    ToolBar t;
    ToolBar other;
    const Qt::DropActions all = Qt::CopyAction | Qt::MoveAction | Qt::LinkAction;
    const Qt::DropActions copyMove = Qt::CopyAction | Qt::MoveAction;
    struct Case {
        const char* name;
        TmxSideBar* source;
        Qt::KeyboardModifiers keys;
        Qt::DropActions allowed;
        Qt::DropActions effect;
    };
    const std::vector<Case> cases{
        {"within the bar", &t.bar, Qt::NoModifier, all, Qt::MoveAction},
        {"from another bar", &other.bar, Qt::NoModifier, all, Qt::CopyAction},
        {"from elsewhere", nullptr, Qt::NoModifier, all, Qt::CopyAction},
        {"Ctrl", &t.bar, Qt::ControlModifier, all, Qt::CopyAction},
        {"Shift", nullptr, Qt::ShiftModifier, all, Qt::MoveAction},
        {"Ctrl+Shift with link", &t.bar, Qt::ControlModifier | Qt::ShiftModifier, all,
         Qt::LinkAction},
        {"Ctrl+Shift without link", &t.bar, Qt::ControlModifier | Qt::ShiftModifier, copyMove,
         Qt::MoveAction},
        {"Alt plays no part", nullptr, Qt::AltModifier, all, Qt::CopyAction},
        {"preferred not allowed: all allowed", &t.bar, Qt::NoModifier, Qt::LinkAction,
         Qt::LinkAction},
        {"Ctrl, copy not allowed", nullptr, Qt::ControlModifier, Qt::MoveAction | Qt::LinkAction,
         Qt::MoveAction | Qt::LinkAction},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(t.bar.GetDropEffect(c.source, c.keys, c.allowed, QPoint()), c.effect);
    }
}

// The colours of the pixels around the drop target after a drag moved over it.
TEST(DropMarkTest, TheMarkIsFilledInTheDropMarkColourAtItsPosition) {
    struct Case {
        const char* name;
        std::string target;
        bool upper;
        int position;
        // Points relative to the button's corners: (x from left or right, y from top or
        // bottom), and whether the mark covers them.
        std::vector<std::tuple<bool, int, bool, int, bool>> pixels;
    };
    // fromRight, dx, fromBottom, dy, marked
    const std::vector<Case> cases{
        {"before the first",
         "IP Domain Converter",
         true,
         1,
         {{false, 20, false, -2, true},
          {false, 2, false, 2, true},
          {true, -3, false, 2, true},
          {false, 20, false, 2, false},
          {false, 20, false, -3, false}}},
        {"after a middle one",
         "Whois",
         false,
         2,
         {{false, 20, true, 1, true},
          {false, 2, true, -3, true},
          {false, 2, true, 4, true},
          {true, -3, true, 4, true},
          {false, 20, true, 3, false},
          {false, 20, true, -2, false}}},
        {"after the last",
         "Connection Monitor",
         false,
         3,
         {{false, 20, true, 1, true},
          {false, 2, true, -3, true},
          {true, -3, true, -3, true},
          {false, 2, true, 4, false},
          {false, 20, true, 2, false},
          {false, 20, true, -2, false}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        for (bool accepted : {true, false}) {
            ToolBar t;
            t.TakeForeignDrops();
            t.bar.SetDropMarkColor(clRed);
            t.bar.OnDragOver = [accepted](TmxSideBar*, TmxSideBar*, Qt::KeyboardModifiers,
                                          TDragState, QPoint, TmxDropMode, Qt::DropActions&,
                                          bool& accept) { accept = accepted; };
            TmxButton* target = t.B(0, c.target);
            const TRect r = target->Layout().Button;
            QMimeData text;
            text.setText("x");
            const QPoint at = c.upper ? Upper(target) : Lower(target);
            QDragEnterEvent enter(at, Qt::CopyAction, &text, Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(&t.bar, &enter);
            QDragMoveEvent move(at, Qt::CopyAction, &text, Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(&t.bar, &move);
            ASSERT_EQ(t.bar.DropButton(), target);
            EXPECT_EQ(target->DropPosition(), c.position);
            EXPECT_EQ(t.bar.DropMode(), dmButton);
            const QImage image = t.bar.grab().toImage().convertToFormat(QImage::Format_RGB32);
            for (const auto& [fromRight, dx, fromBottom, dy, marked] : c.pixels) {
                const int x = (fromRight ? r.Right : r.Left) + dx;
                const int y = (fromBottom ? r.Bottom : r.Top) + dy;
                SCOPED_TRACE(testing::Message() << "pixel " << x << "," << y);
                EXPECT_EQ(PixelToColor(image.pixel(x, y)) == clRed, marked && accepted);
            }
        }
    }
}

TEST(DragScrollTest, HoveringAScrollAreaPressesItAndScrollsOnTheTimer) {
    // List view: the button boxes of the header under the drag, on timer 4.
    {
        ToolBar t(vsListBar, 150);
        t.TakeForeignDrops();
        t.bar.SetAutoButtonScrollDelay(1);
        ASSERT_TRUE(t.h[0]->CanScrollDown());
        const TRect box = t.bar.ButtonDownBox().Rect;
        QMimeData text;
        text.setText("x");
        QDragEnterEvent enter(Centre(box), Qt::CopyAction, &text, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&t.bar, &enter);
        QDragMoveEvent move(Centre(box), Qt::CopyAction, &text, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&t.bar, &move);
        EXPECT_EQ(t.bar.ButtonDownBox().State, saPressed);
        EXPECT_TRUE(t.bar.BarTimerActive(btButtonScroll));
        QTRY_VERIFY(t.h[0]->FirstShown() > 0);
        // The buttons moved under the resting pointer: the mark, and the drop, follow it.
        const TmxButton* marked = t.bar.DropButton();
        t.Layout();
        EXPECT_EQ(marked, t.bar.DropButtonAt(Centre(box)));
        // Leaving ends the scrolling (the box is disabled where nothing is left to scroll).
        QDragLeaveEvent leave;
        QApplication::sendEvent(&t.bar, &leave);
        EXPECT_NE(t.bar.ButtonDownBox().State, saPressed);
        EXPECT_FALSE(t.bar.BarTimerActive(btButtonScroll));
    }
    // Explorer view: the strips, on timer 2; moving off a strip releases it.
    {
        ToolBar t(vsExplorerBar, 150);
        t.TakeForeignDrops();
        t.bar.SetAutoScrollDelay(1);
        ASSERT_TRUE(t.bar.ContentOverflow());
        const TRect strip = t.bar.ExplorerDownArrow().Rect;
        QMimeData text;
        text.setText("x");
        QDragEnterEvent enter(Centre(strip), Qt::CopyAction, &text, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&t.bar, &enter);
        QDragMoveEvent move(Centre(strip), Qt::CopyAction, &text, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&t.bar, &move);
        EXPECT_EQ(t.bar.ExplorerDownArrow().State, saPressed);
        EXPECT_TRUE(t.bar.BarTimerActive(btExplorerScroll));
        QTRY_VERIFY(t.bar.ExplorerScrollOffset() > 0);
        const TmxButton* marked = t.bar.DropButton();
        t.Layout();
        EXPECT_EQ(marked, t.bar.DropButtonAt(Centre(strip)));
        QDragMoveEvent away(QPoint(70, 40), Qt::CopyAction, &text, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&t.bar, &away);
        EXPECT_EQ(t.bar.ExplorerDownArrow().State, saNormal);
        QDropEvent drop(QPoint(70, 40), Qt::CopyAction, &text, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&t.bar, &drop);
        EXPECT_FALSE(t.bar.BarTimerActive(btExplorerScroll));
    }
}

TEST(DragHoverTest, HoveringAHeaderChangesToItAfterTheDelay) {
    struct Case {
        const char* name;
        TmxViewStyle view;
        bool autoChange;
        bool changes;
        // The button the mark is on after the change, under the pointer resting on the caption.
        const char* marked;
    };
    const std::vector<Case> cases{
        {"list view: becomes active", vsListBar, true, true, "Local Information"},
        {"explorer view: a closed header opens", vsExplorerBar, true, true, nullptr},
        {"without boAutoChangeHeader", vsListBar, false, false, "Connection Monitor"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ToolBar t(c.view);
        t.TakeForeignDrops();
        t.bar.SetAutoChangeDelay(1);
        if (!c.autoChange) {
            t.bar.SetOptions(t.bar.Options() & ~BarOptions({boAutoChangeHeader}));
        }
        if (c.view == vsExplorerBar) {
            t.h[1]->SetOpened(false);
            t.Layout();
        }
        QMimeData text;
        text.setText("x");
        const QPoint over = t.CaptionPoint(1);
        QDragEnterEvent enter(over, Qt::CopyAction, &text, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&t.bar, &enter);
        QDragMoveEvent move(over, Qt::CopyAction, &text, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&t.bar, &move);
        EXPECT_EQ(t.bar.DropHeader(), c.autoChange ? t.h[1] : nullptr);
        const auto changed = [&] {
            return c.view == vsListBar ? t.bar.ActiveHeader() == t.h[1] : t.h[1]->Opened();
        };
        if (c.changes) {
            QTRY_VERIFY(changed());
        } else {
            // Nothing is waiting to change it.
            EXPECT_FALSE(t.bar.BarTimerActive(btHoverChange));
            EXPECT_FALSE(changed());
        }
        EXPECT_FALSE(t.bar.BarTimerActive(btHoverChange));
        const TmxButton* marked = t.bar.DropButton();
        EXPECT_EQ(marked ? marked->Caption() : "", c.marked ? c.marked : "");
    }
}

TEST(DragDataTest, TheResourceBlockNamesHeaderAndButton) {
    ToolBar t;
    t.bar.SetDragSource(t.h[0]->GetButton(3));
    const std::optional<QByteArray> block =
        t.bar.DropManager()->RenderFormat({QString::fromLatin1(kResourceFormat)});
    ASSERT_TRUE(block);
    EXPECT_EQ(*block, Ints({24, 1, 16, 2, 8, 0, 3}));
    // Without a dragged button there is nothing to render.
    t.bar.SetDragSource(nullptr);
    EXPECT_FALSE(t.bar.DropManager()->RenderFormat({QString::fromLatin1(kResourceFormat)}));
    EXPECT_FALSE(t.bar.DropManager()->RenderFormat({"text/plain"}));
    // The offered formats, in order.
    const TmxFormatEtcList& offered = t.bar.DropManager()->Formats();
    ASSERT_EQ(offered.Count(), 2);
    EXPECT_EQ(offered.GetItem(0).Format, kReferenceFormat);
    EXPECT_EQ(offered.GetItem(1).Format, kResourceFormat);
}

TEST(DragDataTest, AReferenceBlockFindsOnlyALiveBarOfThisProcess) {
    auto gone = std::make_unique<TmxSideBar>();
    const std::int32_t goneId = gone->DropManager()->BarId();
    gone.reset();
    TmxSideBar bar;
    const std::int32_t id = bar.DropManager()->BarId();
    const std::int32_t pid = CurrentProcessId();
    struct Case {
        const char* name;
        QByteArray block;
        TmxSideBar* found;
    };
    const std::vector<Case> cases{
        {"this bar", ReferenceBlock(pid, id), &bar},
        {"the block the bar renders",
         *bar.DropManager()->RenderFormat({QString::fromLatin1(kReferenceFormat)}), &bar},
        {"another process", ReferenceBlock(pid + 1, id), nullptr},
        {"a bar that is gone", ReferenceBlock(pid, goneId), nullptr},
        {"shorter than its count", ReferenceBlock(pid, id).left(10), nullptr},
        {"no count", QByteArray("\x08\x00", 2), nullptr},
        {"a count that is not 8", Ints({4, pid}), nullptr},
        {"a negative count", Ints({-4, pid, id}), nullptr},
        {"empty", QByteArray(), nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(BarFromReference(c.block), c.found);
        QMimeData data;
        data.setData(kReferenceFormat, c.block);
        EXPECT_EQ(TmxDragDropManager::GetSourceBar(&data), c.found);
    }
    EXPECT_EQ(TmxDragDropManager::GetSourceBar(nullptr), nullptr);
    QMimeData text;
    text.setText("x");
    EXPECT_EQ(TmxDragDropManager::GetSourceBar(&text), nullptr);
}

TEST(FormatListTest, TheEnumeratorAndTheListAtTheirEdges) {
    auto list = std::make_unique<TmxFormatEtcList>();
    list->Add({"a"});
    EXPECT_EQ(list->Add({"b"}), 1);
    try {
        list->GetItem(2);
        ADD_FAILURE() << "no error";
    } catch (const EListError& e) {
        EXPECT_STREQ(e.what(), "FormatEtcList: Invalid item index.");
    }
    EXPECT_THROW(list->SetItem(-1, {"c"}), EListError);
    EXPECT_THROW(list->GetItem(-1), EListError);

    TmxEnumFormatEtc all(list->Clone());
    std::vector<TmxFormatEtc> out;
    int fetched = -1;
    EXPECT_FALSE(all.Skip(3));
    EXPECT_FALSE(all.Next(5, &out, &fetched));
    EXPECT_EQ(fetched, 2);
    EXPECT_EQ(out, (std::vector<TmxFormatEtc>{{"a"}, {"b"}}));
    all.Reset();
    EXPECT_TRUE(all.Next(2, nullptr, &fetched));
    EXPECT_EQ(fetched, 2);
    EXPECT_FALSE(all.Next(1, nullptr, &fetched));
    EXPECT_EQ(fetched, 0);

    // A clone made after one record starts at the second, and each lives on without the other.
    auto first = std::make_unique<TmxEnumFormatEtc>(list->Clone());
    first->Next(1, nullptr);
    std::unique_ptr<TmxEnumFormatEtc> clone = first->Clone();
    first.reset();
    out.clear();
    EXPECT_TRUE(clone->Next(1, &out));
    EXPECT_EQ(out, (std::vector<TmxFormatEtc>{{"b"}}));
    std::unique_ptr<TmxEnumFormatEtc> second = clone->Clone();
    clone.reset();
    second->Reset();
    EXPECT_TRUE(second->Skip(2));
    EXPECT_FALSE(second->Next(1, nullptr));
}

TEST_F(DragDropTest, AMovedOrCopiedButtonKeepsAllItsProperties) {
    struct Case {
        const char* name;
        int header;
        Qt::KeyboardModifiers keys;
        // The copy's name: the source's where free, else the one it was given.
        bool keepsName;
    };
    const std::vector<Case> cases{
        {"moved to another header", 1, Qt::NoModifier, true},
        {"copied within its header", 0, Qt::ControlModifier, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ToolBar t;
        TmxButton* ping = t.B(0, "Batch Ping");
        int clicks = 0;
        ping->SetName("PingButton");
        ping->SetButtonKind(bkCheckBox);
        ping->SetAllowGrayed(true);
        ping->SetChecked(true);
        ping->SetCheckState(cbGrayed);
        ping->SetMargin(7);
        ping->SetUserString("ping all");
        ping->SetHint("Ping a list");
        ping->SetTag(42);
        QMenu menu;
        ping->SetPopupMenu(&menu);
        ping->OnClick = [&clicks](TPersistent*) { ++clicks; };
        t.Layout();
        TmxButton* last = t.h[c.header]->LastVisibleButton();
        side = {&t.bar, {Lower(last)}, c.keys, {}};
        Drag(t.bar, Centre(ping->Layout().Button));
        TmxButton* copy = t.h[c.header]->LastVisibleButton();
        ASSERT_NE(copy, last);
        EXPECT_EQ(copy->Caption(), "Batch Ping");
        EXPECT_EQ(copy->ButtonKind(), bkCheckBox);
        EXPECT_TRUE(copy->AllowGrayed());
        EXPECT_TRUE(copy->Checked());
        EXPECT_EQ(copy->CheckState(), cbGrayed);
        EXPECT_EQ(copy->Margin(), 7);
        EXPECT_EQ(copy->UserString(), "ping all");
        EXPECT_EQ(copy->Hint(), "Ping a list");
        EXPECT_EQ(copy->Tag(), 42);
        EXPECT_EQ(copy->PopupMenu(), &menu);
        EXPECT_EQ(copy->Name() == "PingButton", c.keepsName);
        copy->Click();
        EXPECT_EQ(clicks, 1);
    }
}

TEST_F(DragDropTest, TheDragCarriesThePressedApprovedButton) {
    struct Case {
        const char* name;
        Qt::KeyboardModifiers pressKeys;
        bool allowed;
        bool drags;
    };
    const std::vector<Case> cases{
        {"plain press", Qt::NoModifier, true, true},
        {"refused by OnDragAllowed", Qt::NoModifier, false, false},
        {"Shift held", Qt::ShiftModifier, true, false},
        {"Ctrl held", Qt::ControlModifier, true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ToolBar t;
        std::vector<TmxButton*> asked;
        t.bar.OnDragAllowed = [&](TmxSideBar*, TmxButton* b, bool& allowed) {
            asked.push_back(b);
            allowed = c.allowed;
        };
        TmxButton* ping = t.B(0, "Batch Ping");
        TmxButton* next = t.B(0, "IP Country Converter");
        // Pressed at the bottom edge of Batch Ping, the pointer crosses into the next button
        // before it has gone far enough to start the drag.
        const QPoint press{Centre(ping->Layout().Button).x(), ping->Layout().Button.Bottom - 1};
        const QPoint over{press.x(), next->Layout().Button.Top + 1};
        ASSERT_LT(over.y() - press.y(), QApplication::startDragDistance());
        drags = 0;
        resources.clear();
        Drag(t.bar, press, c.pressKeys, {over});
        EXPECT_EQ(asked, std::vector<TmxButton*>{ping});
        ASSERT_EQ(drags, c.drags ? 1 : 0);
        if (c.drags) {
            EXPECT_EQ(sources[0], &t.bar);
            EXPECT_EQ(resources[0], Ints({24, 1, 16, 2, 8, 0, 1}));
        }
        EXPECT_EQ(t.bar.DragState(), 0);
    }
}

// A window manager that holds the pointer's events for a moment after a press makes X11 report
// a click's release where the pointer went next, and Qt delivers a move with the button held
// just before that release. That click starts no drag, which would wait for a release already
// gone and take the next click as its drop; a drag whose button is still held starts.
TEST_F(DragDropTest, OnlyAMoveWithTheButtonStillHeldStartsADrag) {
    ToolBar t;
    t.bar.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&t.bar));
    QWindow* window = t.bar.windowHandle();
    const QPoint ping = Centre(t.B(0, "Batch Ping")->Layout().Button);
    const QPoint further = ping + QPoint(0, 3 * QApplication::startDragDistance());
    side.target = &t.bar;
    side.path = {further};

    QTest::mousePress(window, Qt::LeftButton, {}, ping);
    QTest::mouseRelease(window, Qt::LeftButton, {}, further);
    QCoreApplication::processEvents();
    EXPECT_EQ(drags, 0);
    EXPECT_EQ(t.bar.DragState(), 0);

    QTest::mousePress(window, Qt::LeftButton, {}, ping);
    QTest::mouseMove(window, further);
    EXPECT_EQ(drags, 1);
    QTest::mouseRelease(window, Qt::LeftButton, {}, further);
    EXPECT_EQ(t.bar.DragState(), 0);
}

TEST_F(DragDropTest, HandlersMayDeleteHeadersDuringADrag) {
    struct Case {
        const char* name;
        std::function<void(ToolBar&)> arm;
        int headersLeft;
    };
    const std::vector<Case> cases{
        {"OnDragOver deletes the target's header",
         [](ToolBar& t) {
             t.bar.OnDragOver = [&t](TmxSideBar*, TmxSideBar*, Qt::KeyboardModifiers,
                                     TDragState state, QPoint, TmxDropMode, Qt::DropActions&,
                                     bool&) {
                 if (state == dsDragMove && t.bar.HeaderCount() == 3) {
                     t.bar.DeleteHeader(1);
                 }
             };
         },
         2},
        {"OnDragOver deletes the source's header",
         [](ToolBar& t) {
             t.bar.OnDragOver = [&t](TmxSideBar*, TmxSideBar*, Qt::KeyboardModifiers,
                                     TDragState state, QPoint, TmxDropMode, Qt::DropActions&,
                                     bool&) {
                 if (state == dsDragMove && t.bar.HeaderCount() == 3) {
                     t.bar.DeleteHeader(0);
                 }
             };
         },
         2},
        {"OnDragDrop clears the bar and asks for a move",
         [](ToolBar& t) {
             t.bar.OnDragDrop = [&t](TmxSideBar*, TmxSideBar*, const QMimeData*, const QStringList&,
                                     Qt::KeyboardModifiers, QPoint, Qt::DropActions& effect,
                                     TmxDropMode) {
                 t.bar.ClearHeaders();
                 effect = Qt::MoveAction;
             };
         },
         0},
        {"OnDragAllowed deletes the pressed button's header",
         [](ToolBar& t) {
             t.bar.OnDragAllowed = [&t](TmxSideBar*, TmxButton*, bool&) { t.bar.DeleteHeader(0); };
         },
         2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ToolBar t;
        c.arm(t);
        const QPoint press = Centre(t.B(0, "Batch Ping")->Layout().Button);
        // On the caption of a header with buttons the drop reaches OnDragDrop.
        const QPoint to =
            c.headersLeft == 0 ? t.CaptionPoint(1) : Lower(t.B(1, "Local Information"));
        side = {&t.bar, {to, to + QPoint(0, 1)}, Qt::NoModifier, {}};
        Drag(t.bar, press);
        EXPECT_EQ(t.bar.HeaderCount(), c.headersLeft);
        EXPECT_EQ(t.bar.DragButton(), nullptr);
        EXPECT_EQ(t.bar.DropButton(), nullptr);
        EXPECT_EQ(t.bar.DropHeader(), nullptr);
        t.Layout();
    }
}

// The bar's event handlers made callable, so a test can drive a bar its own handlers delete:
// the application's dispatch would still touch the widget after the handler returns.
class OpenBar : public TmxSideBar {
  public:
    using TmxSideBar::dragEnterEvent;
    using TmxSideBar::dragLeaveEvent;
    using TmxSideBar::dragMoveEvent;
    using TmxSideBar::dropEvent;
    using TmxSideBar::mousePressEvent;
};

TEST_F(DragDropTest, AHandlerMayDeleteTheBarItServes) {
    struct Case {
        const char* name;
        std::function<void(OpenBar* bar)> arm;
    };
    const std::vector<Case> cases{
        {"OnDragAllowed",
         [](OpenBar* bar) {
             bar->OnDragAllowed = [bar](TmxSideBar*, TmxButton*, bool&) { delete bar; };
         }},
        {"OnDragEnter",
         [](OpenBar* bar) {
             bar->OnDragEnter = [bar](TmxSideBar*, const QMimeData*, TmxSideBar*,
                                      Qt::KeyboardModifiers, TDragState, QPoint, TmxDropMode,
                                      Qt::DropActions&, bool&) { delete bar; };
             // Would run next, on the bar that is gone.
             bar->OnDragOver = [](TmxSideBar*, TmxSideBar*, Qt::KeyboardModifiers, TDragState,
                                  QPoint, TmxDropMode, Qt::DropActions&, bool&) {};
         }},
        {"OnDragOver on a move",
         [](OpenBar* bar) {
             bar->OnDragOver = [bar](TmxSideBar*, TmxSideBar*, Qt::KeyboardModifiers,
                                     TDragState state, QPoint, TmxDropMode, Qt::DropActions&,
                                     bool&) {
                 if (state == dsDragMove) {
                     delete bar;
                 }
             };
         }},
        {"OnDragOver on the leave",
         [](OpenBar* bar) {
             bar->OnDragOver = [bar](TmxSideBar*, TmxSideBar*, Qt::KeyboardModifiers,
                                     TDragState state, QPoint, TmxDropMode, Qt::DropActions&,
                                     bool&) {
                 if (state == dsDragLeave) {
                     delete bar;
                 }
             };
         }},
        {"OnDragDrop",
         [](OpenBar* bar) {
             bar->OnDragDrop = [bar](TmxSideBar*, TmxSideBar*, const QMimeData*, const QStringList&,
                                     Qt::KeyboardModifiers, QPoint, Qt::DropActions&,
                                     TmxDropMode) { delete bar; };
         }},
    };
    // The other bar as it looks when nothing has happened to it.
    ToolBar reference;
    const QImage untouched = reference.bar.grab().toImage();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ToolBar other;
        auto* bar = new OpenBar;
        TmxHeader* h[3];
        FillLikeTheWindow(*bar, h, vsExplorerBar, 400);
        const QPointer<TmxSideBar> alive(bar);
        c.arm(bar);
        const QPoint at = Centre(Find(h[0], "Whois")->Layout().Button);
        const QPoint over = Centre(h[1]->CaptionRect());
        QMouseEvent press(QEvent::MouseButtonPress, QPointF(at), QPointF(at), Qt::LeftButton,
                          Qt::LeftButton, Qt::NoModifier);
        bar->mousePressEvent(&press);
        // The other bar's drag of Batch Ping enters the bar, moves and leaves, then enters,
        // moves and drops on a caption, where the drop reaches OnDragDrop; each step only while
        // the bar is there.
        TmxDragDropManager::SetDragLoop([&](TmxSideBar*, QMimeData* data, Qt::DropActions allowed,
                                            Qt::DropAction) {
            Qt::DropAction result = Qt::IgnoreAction;
            for (bool drop : {false, true}) {
                if (alive) {
                    QDragEnterEvent enter(over, allowed, data, Qt::LeftButton, Qt::ShiftModifier);
                    bar->dragEnterEvent(&enter);
                }
                if (alive) {
                    QDragMoveEvent move(over, allowed, data, Qt::LeftButton, Qt::ShiftModifier);
                    bar->dragMoveEvent(&move);
                }
                if (alive && !drop) {
                    QDragLeaveEvent leave;
                    bar->dragLeaveEvent(&leave);
                }
                if (alive && drop) {
                    QDropEvent event(over, allowed, data, Qt::LeftButton, Qt::ShiftModifier);
                    bar->dropEvent(&event);
                    result = event.isAccepted() ? event.dropAction() : Qt::IgnoreAction;
                }
            }
            return result;
        });
        Drag(other.bar, Centre(other.B(0, "Batch Ping")->Layout().Button));
        EXPECT_FALSE(alive);
        delete alive.data();
        // No bar took the button: the other bar still holds it, and looks as it did.
        EXPECT_EQ(Captions(other.h[0]), kTools);
        EXPECT_EQ(other.bar.DragState(), 0);
        EXPECT_FALSE(other.bar.DragInProgress());
        QEvent leave(QEvent::Leave);
        QApplication::sendEvent(&other.bar, &leave);
        EXPECT_EQ(other.bar.grab().toImage(), untouched);
    }
}
}  // namespace
}  // namespace orv
