// The result grids of the real pages as the user meets them: Tab, sizing rows and columns,
// typing into cells; and the list maker's prefix box.
#include <gtest/gtest.h>

#include <QApplication>
#include <QHeaderView>
#include <QLineEdit>
#include <QMouseEvent>
#include <QTemporaryDir>
#include <QTest>

#include "app/app_windows.h"
#include "app/page_country.h"
#include "app/page_iptodomain.h"
#include "app/page_monitor.h"
#include "app/page_ping.h"
#include "app/page_scanner.h"
#include "app/page_tracert.h"
#include "controls/stringgrid.h"
#include "pump.h"

namespace orv {
namespace {

using test::PumpUntil;

struct GridCase {
    const char* name;
    int page;
    QAbstractItemView* (*view)(Tmain&);
    bool colSizing;
    bool rowSizing;
    bool editing;
};

// Every result grid of the pages.
const GridCase kGrids[] = {
    {"IP-to-Domain", 0,
     [](Tmain& m) -> QAbstractItemView* { return m.ip_to_domain_converter_tab->StringGrid2; },
     false, false, false},
    {"Batch Ping", 1, [](Tmain& m) -> QAbstractItemView* { return m.batch_ping_tab->StringGrid1; },
     false, false, false},
    {"Tracert", 2, [](Tmain& m) -> QAbstractItemView* { return m.tracert_tab->lvTrace; }, true,
     false, false},
    {"Country Lookup", 4,
     [](Tmain& m) -> QAbstractItemView* { return m.country_lookup_tab->StringGrid3; }, true, true,
     true},
    {"Website Scanner", 5,
     [](Tmain& m) -> QAbstractItemView* { return m.website_scanner_tab->StringGrid4; }, false,
     false, false},
    {"Connection Monitor", 6,
     [](Tmain& m) -> QAbstractItemView* { return m.connection_monitor_tab->sgConnHist; }, true,
     true, true},
};

class Grids : public ::testing::Test {
  protected:
    void SetUp() override {
        windows = AppWindows::Create(QDir(dir.path()).absolutePath().toStdString() + "/");
        // Keep the machine's own connections out of the monitor's grid while it is handled.
        main().connection_monitor_tab->Timer->stop();
        main().show();
        main().activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&main()));
    }
    void TearDown() override { windows.reset(); }
    Tmain& main() { return *windows->main; }

    // Shows the grid's page and gives the grid the focus on its first data cell.
    QAbstractItemView* Open(const GridCase& c) {
        main().mainpage->SetActivePageIndex(c.page);
        QAbstractItemView* v = c.view(main());
        // The hop list shows no row until a hop is written into it.
        if (TTracertPage* tracert = main().tracert_tab;
            v == tracert->lvTrace && !tracert->ItemCount())
            tracert->ShowHop(1, "127.0.0.1", "localhost", "");
        v->setFocus();
        EXPECT_TRUE(PumpUntil([&] { return v->hasFocus(); })) << c.name;
        v->setCurrentIndex(v->model()->index(0, 0));
        return v;
    }

    static ui::TStringGrid* Grid(QAbstractItemView* v) { return qobject_cast<ui::TStringGrid*>(v); }

    QTemporaryDir dir;
    std::unique_ptr<AppWindows> windows;
};

// The widget Tab should reach from `w`: the next one in the focus chain that takes Tab.
QWidget* NextInTabOrder(QWidget* w) {
    for (QWidget* n = w->nextInFocusChain(); n && n != w; n = n->nextInFocusChain()) {
        if ((n->focusPolicy() & Qt::TabFocus) && n->isVisible() && n->isEnabled() &&
            !w->isAncestorOf(n))
            return n;
    }
    return nullptr;
}

void Mouse(QWidget* target, QEvent::Type type, QPoint at, Qt::MouseButtons held) {
    Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent e(type, QPointF(at), QPointF(target->mapToGlobal(at)), button, held,
                  Qt::NoModifier);
    QApplication::sendEvent(target, &e);
}

// Presses on `from`, drags by `by` and lets go, as a user sizing a line does.
void Drag(QWidget* target, QPoint from, QPoint by) {
    Mouse(target, QEvent::MouseButtonPress, from, Qt::LeftButton);
    Mouse(target, QEvent::MouseMove, from + by / 2, Qt::LeftButton);
    Mouse(target, QEvent::MouseMove, from + by, Qt::LeftButton);
    Mouse(target, QEvent::MouseButtonRelease, from + by, Qt::NoButton);
}

TEST_F(Grids, TabMovesOnToTheNextControl) {
    for (const GridCase& c : kGrids) {
        QAbstractItemView* v = Open(c);
        QModelIndex cell = v->currentIndex();
        QWidget* next = NextInTabOrder(v);
        ASSERT_NE(next, nullptr) << c.name;
        QTest::keyClick(v, Qt::Key_Tab);
        EXPECT_TRUE(PumpUntil([&] { return !v->hasFocus(); }, 1000)) << c.name;
        EXPECT_EQ(QApplication::focusWidget(), next)
            << c.name << ": "
            << (QApplication::focusWidget()
                    ? QApplication::focusWidget()->objectName().toStdString()
                    : "none");
        EXPECT_EQ(v->currentIndex(), cell) << c.name << ": the current cell moved";
    }
}

TEST_F(Grids, ColumnsAndRowsSizeWhereAllowed) {
    for (const GridCase& c : kGrids) {
        QAbstractItemView* v = Open(c);
        ui::TStringGrid* g = Grid(v);
        ASSERT_NE(g, nullptr) << c.name;
        QHeaderView* header = g->horizontalHeader();

        // Column 0's right edge: on the heading when it is shown, else on the grid line.
        int width = header->sectionSize(0);
        if (header->isVisible()) {
            QPoint edge(header->sectionViewportPosition(0) + width - 1, header->height() / 2);
            Drag(header->viewport(), edge, {30, 0});
        } else {
            QPoint edge(header->sectionViewportPosition(0) + width, 5);
            Drag(v->viewport(), edge, {30, 0});
        }
        if (c.colSizing)
            EXPECT_EQ(header->sectionSize(0), width + 30) << c.name;
        else
            EXPECT_EQ(header->sectionSize(0), width) << c.name;

        int height = g->rowHeight(0);
        QPoint bottom(10, g->rowViewportPosition(0) + height);
        Drag(g->viewport(), bottom, {0, 12});
        if (c.rowSizing)
            EXPECT_EQ(g->rowHeight(0), height + 12) << c.name;
        else
            EXPECT_EQ(g->rowHeight(0), height) << c.name;
    }
}

// Enter in a cell's editor; the view stores the text once the editor has seen the key.
void Commit(QAbstractItemView* v, QLineEdit* editor) {
    QTest::keyClick(editor, Qt::Key_Return);
    EXPECT_TRUE(PumpUntil([&] { return !v->viewport()->findChild<QLineEdit*>(); }, 1000));
}

TEST_F(Grids, TypingIntoACellWhereAllowed) {
    for (const GridCase& c : kGrids) {
        QAbstractItemView* v = Open(c);
        ui::TStringGrid* g = Grid(v);
        if (!g)
            continue;
        const int row = g->FixedRows();  // the first data row
        g->SetCells(0, row, "before");
        QTest::keyClick(v, Qt::Key_F2);
        auto* editor = v->viewport()->findChild<QLineEdit*>();
        if (!c.editing) {
            EXPECT_EQ(editor, nullptr) << c.name;
            QTest::keyClicks(v, "typed");
            EXPECT_EQ(v->viewport()->findChild<QLineEdit*>(), nullptr) << c.name;
            EXPECT_FALSE(v->model()->setData(v->model()->index(0, 0), "typed")) << c.name;
            EXPECT_EQ(g->Cells(0, row), "before") << c.name;
            continue;
        }
        ASSERT_NE(editor, nullptr) << c.name;
        EXPECT_EQ(editor->text(), "before") << c.name;
        editor->selectAll();
        QTest::keyClicks(editor, "typed");
        Commit(v, editor);
        EXPECT_EQ(g->Cells(0, row), "typed") << c.name;
        EXPECT_EQ(g->Cells(1, row), "") << c.name;
        // Typing on a cell starts its editor too.
        QTest::keyClick(v, Qt::Key_Z);
        editor = v->viewport()->findChild<QLineEdit*>();
        ASSERT_NE(editor, nullptr) << c.name;
        Commit(v, editor);
        EXPECT_EQ(g->Cells(0, row), "z") << c.name;
    }
}

TEST_F(Grids, ListMakerBoxesShowTheirWholeText) {
    main().mainpage->SetActivePageIndex(1);
    TBatchPingPage& page = *main().batch_ping_tab;
    struct {
        QLineEdit* box;
        const char* text;
    } cases[] = {{page.Edit2, "255.255.255"}, {page.Edit4, "255"}, {page.Edit5, "255"}};
    for (const auto& c : cases) {
        c.box->setText(c.text);
        c.box->setCursorPosition(c.box->text().size());
        c.box->grab();  // lays the text out as it is painted
        // Scrolled text puts a later character under the box's left edge.
        EXPECT_EQ(c.box->cursorPositionAt({0, c.box->height() / 2}), 0)
            << c.text << " in a box " << c.box->width() << " wide";
    }
    // The boxes and the Create button side by side, none over another.
    QList<QWidget*> row = {page.Edit2, page.Edit4, page.Edit5, page.SpeedButton8};
    for (QWidget* a : row)
        for (QWidget* b : row)
            EXPECT_TRUE(a == b || !a->geometry().intersects(b->geometry()))
                << a->objectName().toStdString() << " " << b->objectName().toStdString();
    EXPECT_LE(page.SpeedButton8->geometry().right(), page.Edit2->parentWidget()->width());
}

}  // namespace
}  // namespace orv
