#include "navbar/caption_editor.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QFocusEvent>
#include <QLineEdit>
#include <QMenu>
#include <QTest>
#include <QTextBlock>
#include <QTextLayout>
#include <QVBoxLayout>

#include <memory>
#include <string>
#include <vector>

#include "navbar/navigation_bar.h"

namespace orv {
namespace {

enum class Target { Header, Button };

const char* Name(Target t) {
    return t == Target::Header ? "header" : "button";
}

// A window with a bar of one header holding one laid-out button, and a line edit elsewhere to
// take the focus.
class CaptionEditorTest : public ::testing::Test {
  protected:
    void SetUp() override {
        window = std::make_unique<QWidget>();
        auto* layout = new QVBoxLayout(window.get());
        bar = new TmxSideBar(window.get());
        bar->setMinimumSize(120, 200);
        elsewhere = new QLineEdit(window.get());
        layout->addWidget(bar);
        layout->addWidget(elsewhere);
        header = bar->Headers().Add();
        header->SetCaption("Tools");
        button = header->AddButton();
        button->SetCaption("Ping");
        TRect cursor{0, 30, 120, 30};
        button->Measure(cursor);
        editor().OnChange = [this](TPersistent* sender) {
            changes.push_back(sender);
            captionsAtChange.push_back(header->Caption() + "|" + button->Caption());
        };
    }

    TmxInplaceEditor& editor() { return bar->InplaceEditor(); }
    TmxInplaceEdit* edit() { return editor().Edit(); }

    void Begin(Target t) {
        const bool started =
            t == Target::Header ? editor().BeginEdit(header) : editor().BeginEdit(button);
        ASSERT_TRUE(started) << Name(t);
    }
    std::string Caption(Target t) const {
        return t == Target::Header ? header->Caption() : button->Caption();
    }
    // Shows the window and waits until it has the keyboard focus.
    void Activate() {
        window->show();
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    }

    std::unique_ptr<QWidget> window;
    TmxSideBar* bar = nullptr;
    QLineEdit* elsewhere = nullptr;
    TmxHeader* header = nullptr;
    TmxButton* button = nullptr;
    std::vector<TPersistent*> changes;
    std::vector<std::string> captionsAtChange;
};

TEST_F(CaptionEditorTest, BeginEditShowsTheCaptionOverItsPlace) {
    Begin(Target::Button);
    EXPECT_TRUE(editor().Editing());
    EXPECT_FALSE(editor().EditsHeader());
    EXPECT_EQ(editor().EditTarget(), button);
    EXPECT_TRUE(edit()->isVisibleTo(bar));
    EXPECT_EQ(edit()->parentWidget(), bar);
    EXPECT_EQ(TRect::FromQRect(edit()->geometry()), button->Layout().Label);
    EXPECT_EQ(edit()->toPlainText(), "Ping");

    Begin(Target::Header);  // the running edit is accepted first
    EXPECT_EQ(changes.size(), 1u);
    EXPECT_TRUE(editor().EditsHeader());
    EXPECT_EQ(editor().EditTarget(), header);
    EXPECT_EQ(edit()->toPlainText(), "Tools");
}

TEST_F(CaptionEditorTest, BeginEditRefusesWhatCannotBeEdited) {
    TmxSideBar other;
    TmxHeader* foreign = other.Headers().Add();
    TmxButton* foreignButton = foreign->AddButton();
    struct Case {
        const char* name;
        std::function<bool()> begin;
    };
    const std::vector<Case> cases{
        {"no header", [&] { return editor().BeginEdit(static_cast<TmxHeader*>(nullptr)); }},
        {"no button", [&] { return editor().BeginEdit(static_cast<TmxButton*>(nullptr)); }},
        {"another bar's header", [&] { return editor().BeginEdit(foreign); }},
        {"another bar's button", [&] { return editor().BeginEdit(foreignButton); }},
        {"read-only header",
         [&] {
             header->SetOptions(HeaderOptions({hoReadOnlyCaption}));
             return editor().BeginEdit(header);
         }},
        {"read-only button",
         [&] {
             button->SetOptions(ButtonOptions({boReadOnlyCaption}));
             return editor().BeginEdit(button);
         }},
        {"hidden header",
         [&] {
             header->SetVisible(false);
             return editor().BeginEdit(header);
         }},
        {"hidden button",
         [&] {
             button->SetVisible(false);
             return editor().BeginEdit(button);
         }},
    };
    for (const Case& c : cases) {
        SetUp();  // each case alone on a fresh bar
        EXPECT_FALSE(c.begin()) << c.name;
        EXPECT_FALSE(editor().Editing()) << c.name;
        EXPECT_FALSE(edit()->isVisibleTo(bar)) << c.name;
        EXPECT_EQ(edit()->y(), -1000) << c.name;
    }
}

TEST_F(CaptionEditorTest, KeysEndTheEditOnlyWithoutModifiers) {
    struct Case {
        const char* name;
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        bool typeFirst;       // replace the caption with "Net" before the key
        bool stillEditing;    // the key went to the edit
        const char* caption;  // the caption afterwards ("" = unchanged)
        size_t changes;
    };
    const std::vector<Case> cases{
        {"Enter, unchanged", Qt::Key_Return, Qt::NoModifier, false, false, "", 1},
        {"Enter, typed", Qt::Key_Return, Qt::NoModifier, true, false, "Net", 1},
        {"keypad Enter", Qt::Key_Enter, Qt::KeypadModifier, true, false, "Net", 1},
        {"Esc, typed", Qt::Key_Escape, Qt::NoModifier, true, false, "", 0},
        {"Shift+Enter", Qt::Key_Return, Qt::ShiftModifier, false, true, "", 0},
        {"Ctrl+Enter", Qt::Key_Return, Qt::ControlModifier, false, true, "", 0},
        {"Shift+Esc", Qt::Key_Escape, Qt::ShiftModifier, true, true, "", 0},
        {"Alt+Esc", Qt::Key_Escape, Qt::AltModifier, true, true, "", 0},
    };
    for (Target t : {Target::Header, Target::Button}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(Name(t)) + ": " + c.name);
            const std::string before = Caption(t);
            changes.clear();
            Begin(t);
            if (c.typeFirst) {
                QTest::keyClicks(edit(), "Net");
            }
            QTest::keyClick(edit(), c.key, c.modifiers);
            EXPECT_EQ(editor().Editing(), c.stillEditing);
            EXPECT_EQ(edit()->isVisibleTo(bar), c.stillEditing);
            EXPECT_EQ(Caption(t), *c.caption ? c.caption : before);
            ASSERT_EQ(changes.size(), c.changes);
            if (c.changes) {
                EXPECT_EQ(changes[0], &editor());
            }
            if (!c.stillEditing) {
                EXPECT_EQ(editor().EditTarget(), nullptr);
                EXPECT_EQ(edit()->y(), -1000);
            }
            editor().EndEdit(true);
            (t == Target::Header ? header->SetCaption(before) : button->SetCaption(before));
        }
    }
}

TEST_F(CaptionEditorTest, ShiftEnterBreaksALabelButNeverAHeadersCaption) {
    // A button's label may take several lines.
    Begin(Target::Button);
    QTest::keyClick(edit(), Qt::Key_End);
    QTest::keyClick(edit(), Qt::Key_Return, Qt::ShiftModifier);
    QTest::keyClicks(edit(), "Sweep");
    QTest::keyClick(edit(), Qt::Key_Return);
    EXPECT_EQ(button->Caption(), "Ping\nSweep");

    // A header's caption strip shows one line: the keys break nothing, and pasted breaks
    // become blanks, so the caption is drawn instead of a blank strip.
    Begin(Target::Header);
    QTest::keyClick(edit(), Qt::Key_End);
    QTest::keyClick(edit(), Qt::Key_Return, Qt::ShiftModifier);
    QTest::keyClick(edit(), Qt::Key_Enter, Qt::ControlModifier | Qt::KeypadModifier);
    QTest::keyClicks(edit(), "Box");
    edit()->insertPlainText(QStringLiteral("\r\nof\ntools"));
    QTest::keyClick(edit(), Qt::Key_Return);
    EXPECT_EQ(header->Caption(), "ToolsBox of tools");
    bar->resize(200, 200);
    bar->Paint(nullptr);
    EXPECT_GT(header->TextRect().Top, header->CaptionRect().Top);
    EXPECT_GT(header->TextRect().Width(), 0);
}

TEST_F(CaptionEditorTest, FocusMovingToAnotherControlAccepts) {
    struct Case {
        Qt::FocusReason reason;
        bool accepts;
    };
    const std::vector<Case> cases{
        {Qt::MouseFocusReason, true},         {Qt::TabFocusReason, true},
        {Qt::BacktabFocusReason, true},       {Qt::OtherFocusReason, true},
        {Qt::PopupFocusReason, false},  // the edit's own context menu
        {Qt::ActiveWindowFocusReason, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.reason);
        changes.clear();
        header->SetCaption("Tools");
        Begin(Target::Header);
        QTest::keyClicks(edit(), "Net");
        QFocusEvent out(QEvent::FocusOut, c.reason);
        QApplication::sendEvent(edit(), &out);
        EXPECT_EQ(editor().Editing(), !c.accepts);
        EXPECT_EQ(header->Caption(), c.accepts ? "Net" : "Tools");
        EXPECT_EQ(changes.size(), c.accepts ? 1u : 0u);
        editor().EndEdit(true);
    }
}

TEST_F(CaptionEditorTest, ClickingElsewhereAccepts) {
    Activate();
    Begin(Target::Button);
    ASSERT_TRUE(edit()->hasFocus());
    QTest::keyClicks(edit(), "Trace");
    QTest::mouseClick(elsewhere, Qt::LeftButton);
    EXPECT_TRUE(elsewhere->hasFocus());
    EXPECT_FALSE(editor().Editing());
    EXPECT_EQ(button->Caption(), "Trace");
    EXPECT_EQ(changes.size(), 1u);
}

TEST_F(CaptionEditorTest, EnterGivesTheFocusBackToTheBar) {
    Activate();
    Begin(Target::Header);
    QTest::keyClick(edit(), Qt::Key_Return);
    EXPECT_TRUE(bar->hasFocus());
    EXPECT_EQ(changes.size(), 1u);
}

TEST_F(CaptionEditorTest, EndingAnIdleEditDoesNothing) {
    for (bool cancel : {false, true}) {
        editor().EndEdit(cancel);
        editor().ApplyEdit(cancel);
    }
    EXPECT_TRUE(changes.empty());
    Begin(Target::Header);
    QTest::keyClick(edit(), Qt::Key_Return);
    ASSERT_EQ(changes.size(), 1u);
    header->SetCaption("Later");
    editor().EndEdit(false);
    editor().ApplyEdit(false);
    EXPECT_EQ(changes.size(), 1u);
    EXPECT_EQ(header->Caption(), "Later");
    EXPECT_FALSE(edit()->isVisibleTo(bar));
    EXPECT_EQ(edit()->y(), -1000);
}

TEST_F(CaptionEditorTest, AssignCopiesFontAndFrameButNotLayout) {
    TmxSideBar other;
    TmxInplaceEditor& source = other.InplaceEditor();
    TFont font;
    QFont face("Serif");
    face.setPixelSize(17);
    font.SetFace(face);
    font.SetColor(clRed);
    source.SetFont(font);
    source.SetFlat(false);
    source.SetBorderColor(clBlue);
    source.SetShowBorder(false);
    source.SetAlignment(taRightJustify);
    source.SetWordWrap(false);
    QMenu menu;
    source.SetPopupMenu(&menu);
    int editChanges = 0;
    edit()->OnChange = [&](TmxInplaceEdit*) { ++editChanges; };

    bar->SetInplaceEditor(source);

    EXPECT_EQ(editor().Font().Face(), face);
    EXPECT_EQ(editor().Font().Color(), clRed);
    EXPECT_EQ(edit()->font(), face);
    EXPECT_FALSE(editor().Flat());
    EXPECT_EQ(editor().BorderColor(), clBlue);
    EXPECT_FALSE(editor().ShowBorder());
    EXPECT_EQ(editor().Alignment(), taLeftJustify);
    EXPECT_TRUE(editor().WordWrap());
    EXPECT_EQ(editor().PopupMenu(), nullptr);
    EXPECT_EQ(editChanges, 1);
    ASSERT_EQ(changes.size(), 1u);
    EXPECT_EQ(changes[0], &editor());

    // The editor's own font setter does not tell the edit's change handler.
    face.setPixelSize(9);
    font.SetFace(face);
    editor().SetFont(font);
    EXPECT_EQ(edit()->font(), face);
    EXPECT_EQ(editChanges, 1);
}

TEST_F(CaptionEditorTest, AssignWithAnotherKindRaises) {
    TmxBackground background;
    EXPECT_THROW(editor().Assign(background), EConvertError);
    EXPECT_THROW(background.Assign(editor()), EConvertError);
    EXPECT_TRUE(changes.empty());
}

TEST_F(CaptionEditorTest, NewEditorHasItsDefaults) {
    EXPECT_EQ(editor().Alignment(), taLeftJustify);
    EXPECT_EQ(editor().BorderColor(), clBtnShadow);
    EXPECT_TRUE(editor().Flat());
    EXPECT_TRUE(editor().ShowBorder());
    EXPECT_TRUE(editor().WordWrap());
    EXPECT_EQ(editor().Font().Face().pixelSize(), 11);
    EXPECT_FALSE(edit()->Activate());
    EXPECT_FALSE(editor().Editing());
    EXPECT_FALSE(edit()->isVisibleTo(bar));
    EXPECT_EQ(edit()->y(), -1000);
}

TEST_F(CaptionEditorTest, DeletingTheTargetEndsTheEditWithoutWriting) {
    struct Case {
        const char* name;
        Target target;
        std::function<void()> remove;
    };
    const std::vector<Case> cases{
        {"header", Target::Header, [&] { bar->DeleteHeader(header); }},
        {"button", Target::Button, [&] { header->DeleteButton(button); }},
        {"button's header", Target::Button, [&] { bar->DeleteHeader(header); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SetUp();  // a fresh bar each time
        Begin(c.target);
        QTest::keyClicks(edit(), "Gone");
        c.remove();
        EXPECT_FALSE(editor().Editing());
        EXPECT_EQ(editor().EditTarget(), nullptr);
        EXPECT_FALSE(edit()->isVisibleTo(bar));
        QTest::keyClick(edit(), Qt::Key_Return);
        QFocusEvent out(QEvent::FocusOut, Qt::MouseFocusReason);
        QApplication::sendEvent(edit(), &out);
        EXPECT_TRUE(changes.empty());
    }
}

TEST_F(CaptionEditorTest, DestroyingTheBarMidEditWritesNothing) {
    struct Case {
        const char* name;
        std::function<void()> destroy;
    };
    const std::vector<Case> cases{
        {"the bar", [&] { delete bar; }},
        {"its window", [&] { window.reset(); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SetUp();
        Activate();
        Begin(Target::Header);
        ASSERT_TRUE(edit()->hasFocus());
        QTest::keyClicks(edit(), "Gone");
        int changed = 0;
        editor().OnChange = [&](TPersistent*) { ++changed; };
        c.destroy();
        EXPECT_EQ(changed, 0);
    }
}

TEST_F(CaptionEditorTest, TheFrameFollowsFlatAndShowBorder) {
    constexpr TColor kFill = 0x40C0E0;
    struct Case {
        const char* name;
        bool flat;
        bool showBorder;
        TColor outerTopLeft, innerTopLeft, innerBottomRight, outerBottomRight;
    };
    const std::vector<Case> cases{
        {"sunken", false, true, clBtnShadow, cl3DDkShadow, cl3DLight, clBtnHighlight},
        {"sunken, border off", false, false, clBtnShadow, cl3DDkShadow, cl3DLight, clBtnHighlight},
        {"flat with border", true, true, clRed, kFill, kFill, clRed},
        {"flat without border", true, false, kFill, kFill, kFill, kFill},
    };
    edit()->SetColor(kFill);
    edit()->SetBorderColor(clRed);
    edit()->setGeometry(10, 10, 40, 20);
    edit()->show();
    // The colour a pixel of the grabbed edit shows.
    auto at = [&](const QImage& image, int x, int y) {
        return ColorToRGB(PixelToColor(image.pixel(x, y)));
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        edit()->SetFlat(c.flat);
        edit()->SetShowBorder(c.showBorder);
        const QImage image = edit()->grab().toImage().convertToFormat(QImage::Format_ARGB32);
        ASSERT_EQ(image.size(), QSize(40, 20));
        EXPECT_EQ(at(image, 20, 0), ColorToRGB(c.outerTopLeft));
        EXPECT_EQ(at(image, 0, 10), ColorToRGB(c.outerTopLeft));
        EXPECT_EQ(at(image, 20, 1), ColorToRGB(c.innerTopLeft));
        EXPECT_EQ(at(image, 1, 10), ColorToRGB(c.innerTopLeft));
        EXPECT_EQ(at(image, 20, 18), ColorToRGB(c.innerBottomRight));
        EXPECT_EQ(at(image, 38, 10), ColorToRGB(c.innerBottomRight));
        EXPECT_EQ(at(image, 20, 19), ColorToRGB(c.outerBottomRight));
        EXPECT_EQ(at(image, 39, 10), ColorToRGB(c.outerBottomRight));
        EXPECT_EQ(at(image, 10, 10), ColorToRGB(kFill)) << "inside";
    }
}

TEST_F(CaptionEditorTest, AlignmentAndWordWrapLayTheTextOut) {
    Activate();
    edit()->setGeometry(0, 0, 100, 60);
    edit()->show();
    edit()->setPlainText("Ab");
    struct Case {
        TAlignment alignment;
        int minX, maxX;  // where the text starts
    };
    const std::vector<Case> cases{
        {taLeftJustify, 0, 10},
        {taCenter, 30, 60},
        {taRightJustify, 70, 100},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.alignment);
        editor().SetAlignment(c.alignment);
        QTextCursor start(edit()->document());
        const int x = edit()->cursorRect(start).x();
        EXPECT_GE(x, c.minX);
        EXPECT_LE(x, c.maxX);
    }
    edit()->setPlainText("one two three four five six seven eight");
    auto lines = [&] {
        QApplication::processEvents();
        return edit()->document()->firstBlock().layout()->lineCount();
    };
    editor().SetWordWrap(true);
    EXPECT_GT(lines(), 1);
    editor().SetWordWrap(false);
    EXPECT_EQ(lines(), 1);
}

TEST_F(CaptionEditorTest, ContextPopupCanBeHandledOrShowsTheMenu) {
    QMenu menu;
    menu.addAction("Cut");
    editor().SetPopupMenu(&menu);
    Begin(Target::Header);
    edit()->setGeometry(0, 0, 80, 20);
    std::vector<TPoint> seen;
    bool handle = true;
    editor().SetOnContextPopup([&](TmxInplaceEdit* sender, TPoint pos, bool& handled) {
        EXPECT_EQ(sender, edit());
        EXPECT_FALSE(handled);
        seen.push_back(pos);
        handled = handle;
    });
    // A right click at (5, 6) of the text viewport, inside the frame.
    auto popup = [&] {
        QWidget* viewport = edit()->viewport();
        QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(5, 6),
                                viewport->mapToGlobal(QPoint(5, 6)));
        QApplication::sendEvent(viewport, &event);
    };
    popup();
    EXPECT_FALSE(menu.isVisible());
    handle = false;
    popup();
    EXPECT_TRUE(menu.isVisible());
    menu.close();
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0], (TPoint{7, 8}));  // in the edit's own coordinates
    EXPECT_TRUE(editor().Editing());
}

}  // namespace
}  // namespace orv
