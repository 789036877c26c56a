#include "controls/stringgrid.h"

#include <gtest/gtest.h>

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QHeaderView>
#include <QMouseEvent>

#include "controls/widgets.h"
#include "pump.h"

namespace orv::ui {
namespace {

// A right click on a grid's row, below its heading row, opens the popup at the pointer.
TEST(StringGrid, ThePopupOpensAtThePointer) {
    for (int fixedRows : {1, 0}) {
        SCOPED_TRACE(fixedRows);
        TStringGrid g(2, 4, fixedRows);
        g.SetCells(0, 0, "heading");
        TPopupMenu menu;
        menu.AddItem("Item", [] {});
        menu.AttachTo(&g);
        g.setGeometry(40, 40, 300, 200);
        g.show();
        ASSERT_TRUE(test::PumpUntil([&] { return g.isVisible(); }));
        QWidget* viewport = g.viewport();
        const QPoint at(30, 25);
        const QPoint global = viewport->mapToGlobal(at);
        QContextMenuEvent e(QContextMenuEvent::Mouse, at, global);
        QCoreApplication::sendEvent(viewport, &e);
        ASSERT_TRUE(test::PumpUntil([&] { return menu.isVisible(); }));
        EXPECT_EQ(menu.pos(), global);
        menu.hide();
    }
}

TEST(StringGrid, HeadingRowIsTheHeaderAndDataRowsFollow) {
    TStringGrid g(2, 2, 1);
    g.SetCells(0, 0, "Domain / Host Name");
    g.SetCells(1, 0, "IP Address");
    EXPECT_EQ(g.model()->headerData(1, Qt::Horizontal, Qt::DisplayRole).toString(), "IP Address");
    EXPECT_EQ(g.model()->rowCount(), 1);  // row 1, the empty row the next result goes into
    g.SetCells(0, 1, "localhost");
    g.SetRowCount(3);
    EXPECT_EQ(g.RowCount(), 3);
    EXPECT_EQ(g.model()->data(g.model()->index(0, 0)).toString(), "localhost");
    EXPECT_EQ(g.Cells(0, 2), "");
    // Shrinking drops the rows below; growing again brings empty ones.
    g.SetRowCount(2);
    g.SetRowCount(3);
    EXPECT_EQ(g.Cells(0, 2), "");
    EXPECT_EQ(g.Cells(0, 1), "localhost");
}

TEST(StringGrid, RowKeepsOneRowBelowTheHeading) {
    TStringGrid headed(2, 2, 1);
    headed.SetRowCount(0);
    EXPECT_EQ(headed.RowCount(), 2);
    TStringGrid plain(8, 1, 0);
    plain.SetRowCount(0);
    EXPECT_EQ(plain.RowCount(), 1);
    EXPECT_TRUE(plain.horizontalHeader()->isHidden());
}

TEST(StringGrid, AddToRowFillsTheFirstEmptyCellAndKeepsEmptyAsBlank) {
    TStringGrid g(5, 2, 1);
    EXPECT_EQ(g.AddToRow(1, "X"), 0);
    EXPECT_EQ(g.AddToRow(1, "host"), 1);
    EXPECT_EQ(g.AddToRow(1, ""), 2);  // stored as " " so the next value goes on to column 3
    EXPECT_EQ(g.Cells(2, 1), " ");
    EXPECT_EQ(g.AddToRow(1, "12"), 3);
    EXPECT_EQ(g.AddToRow(1, "Timed out"), 4);
    EXPECT_EQ(g.AddToRow(1, "overflow"), -1);  // a full row takes nothing
    EXPECT_EQ(g.AddToRow(7, "x"), -1);         // outside the grid
}

TEST(StringGrid, ViewLearnsOfNewRowsInBatches) {
    TStringGrid g(2, 2, 1);
    for (int i = 0; i < 1000; ++i) {
        int r = g.RowCount() - 1;
        g.AddToRow(r, QString::number(i));
        g.SetRow(r);
        g.SetRowCount(g.RowCount() + 1);
    }
    // The code sees every row at once; the view gets them with one insertion.
    EXPECT_EQ(g.RowCount(), 1002);
    EXPECT_EQ(g.Cells(0, 1000), "999");
    EXPECT_EQ(g.Row(), 1000);
    EXPECT_EQ(g.model()->rowCount(), 1);
    QCoreApplication::processEvents();
    EXPECT_EQ(g.model()->rowCount(), 1001);
    EXPECT_EQ(g.model()->data(g.model()->index(999, 0)).toString(), "999");
    EXPECT_EQ(g.currentIndex().row(), 999);
    // Shrinking below what the view knows removes rows at once.
    g.SetRowCount(10);
    EXPECT_EQ(g.model()->rowCount(), 9);
    EXPECT_LT(g.Row(), 10);
}

TEST(StringGrid, OutOfRangeIsHarmless) {
    TStringGrid g(2, 2, 1);
    g.SetCells(5, 1, "x");
    g.SetCells(0, -1, "x");
    g.SetCells(0, 9, "x");
    EXPECT_EQ(g.Cells(5, 1), "");
    EXPECT_EQ(g.Cells(0, 9), "");
}

TEST(StringGrid, SelectionFollowsGridNumbering) {
    TStringGrid g(2, 5, 1);
    g.SetRow(3);
    EXPECT_EQ(g.Row(), 3);
    g.SetRow(0);  // the heading cannot be selected
    EXPECT_EQ(g.Row(), 3);
}

TEST(StringGrid, ClearEmptiesCellsButKeepsRows) {
    TStringGrid g(2, 3, 1);
    g.SetCells(0, 0, "h");
    g.SetCells(1, 2, "v");
    g.Model().ClearColumn(1);
    EXPECT_EQ(g.Cells(1, 2), "");
    EXPECT_EQ(g.Cells(0, 0), "h");
    g.Model().Clear();
    EXPECT_EQ(g.Cells(0, 0), "");
    EXPECT_EQ(g.RowCount(), 3);
}

TEST(StringGrid, EditingWritesTheCellBelowTheHeading) {
    TStringGrid g(2, 3, 1);
    QModelIndex first = g.model()->index(0, 1);  // grid row 1: the heading is row 0
    EXPECT_FALSE(g.model()->flags(first) & Qt::ItemIsEditable);
    EXPECT_FALSE(g.model()->setData(first, "refused"));
    EXPECT_EQ(g.Cells(1, 1), "");

    g.SetOptions(GridOption::Editing);
    EXPECT_TRUE(g.model()->flags(first) & Qt::ItemIsEditable);
    g.SetCells(1, 1, "old");
    EXPECT_EQ(g.model()->data(first, Qt::EditRole).toString(), "old");  // what the editor shows
    EXPECT_TRUE(g.model()->setData(first, "typed"));
    EXPECT_EQ(g.Cells(1, 1), "typed");
    EXPECT_EQ(g.Cells(1, 0), "");  // the heading is untouched
    EXPECT_FALSE(g.tabKeyNavigation());
    g.SetOptions(GridOption::Tabs);
    EXPECT_TRUE(g.tabKeyNavigation());
    EXPECT_FALSE(g.model()->flags(first) & Qt::ItemIsEditable);
}

void Press(QWidget* w, QEvent::Type type, QPoint at) {
    Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent e(type, QPointF(at), QPointF(w->mapToGlobal(at)), button, held, Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}

void Drag(QWidget* w, QPoint from, QPoint by) {
    Press(w, QEvent::MouseButtonPress, from);
    Press(w, QEvent::MouseMove, from + by);
    Press(w, QEvent::MouseButtonRelease, from + by);
}

// A grid without a heading row: its lines are the only handles for sizing.
TEST(StringGrid, GridLinesSizeOnlyWhatTheOptionsAllow) {
    struct Case {
        GridOptions options;
        bool rows;
        bool cols;
    } cases[] = {{{}, false, false},
                 {GridOption::RowSizing, true, false},
                 {GridOption::ColSizing, false, true},
                 {GridOption::RowSizing | GridOption::ColSizing, true, true}};
    for (const Case& c : cases) {
        TStringGrid g(3, 4, 0);
        g.SetColWidth(0, 60);
        g.SetOptions(c.options);
        g.resize(400, 300);
        g.show();
        QWidget* vp = g.viewport();
        Drag(vp, {30, g.rowViewportPosition(0) + g.rowHeight(0)}, {0, 10});
        EXPECT_EQ(g.rowHeight(0), c.rows ? 28 : 18) << int(c.options);
        EXPECT_EQ(g.rowHeight(1), 18);
        Drag(vp, {g.columnViewportPosition(1) + g.columnWidth(1), 5}, {-20, 0});
        EXPECT_EQ(g.columnWidth(1), c.cols ? g.columnWidth(2) - 20 : g.columnWidth(2))
            << int(c.options);
        EXPECT_EQ(g.columnWidth(0), 60);
        // Away from the lines a click still selects its row.
        QPoint inside(g.columnViewportPosition(0) + 20, g.rowViewportPosition(2) + 9);
        Press(vp, QEvent::MouseButtonPress, inside);
        Press(vp, QEvent::MouseButtonRelease, inside);
        EXPECT_EQ(g.Row(), 2) << int(c.options);
    }
}

// Every operation keeps the model's promises to its views (row and column signals that match
// the counts, valid indexes, header data); the tester aborts the test at the first breach.
TEST(StringGridModel, KeepsTheModelContractThroughEveryOperation) {
    for (int fixed : {0, 1}) {
        StringGridModel m(3, fixed + 1, fixed);
        QAbstractItemModelTester tester(&m, QAbstractItemModelTester::FailureReportingMode::Fatal);
        m.SetCell(0, 0, "heading");
        m.SetRowCount(fixed + 5);
        m.SetCell(1, fixed + 2, "a");
        m.Flush();
        m.SetCell(2, fixed + 9, "past the end");  // grows the grid by itself
        EXPECT_EQ(m.AddToRow(fixed + 3, "x"), 0);
        EXPECT_EQ(m.AddToRow(fixed + 3, ""), 1);
        m.Flush();
        ASSERT_TRUE(test::PumpUntil([&] { return m.ShownRows() == m.RowCount(); }));
        m.SetColCount(5);
        m.SetCell(4, fixed, "wide");
        m.SetColCount(2);
        m.ClearColumn(1);
        m.SetRowCount(fixed + 2);  // shrinks below what was shown
        m.SetEditable(true);
        const QModelIndex first = m.index(0, 0);
        EXPECT_TRUE(m.setData(first, "edited", Qt::EditRole));
        EXPECT_EQ(m.data(first, Qt::DisplayRole).toString(), "edited");
        m.SetMinFlushInterval(20);
        for (int i = 0; i < 50; ++i)
            m.SetCell(0, m.RowCount(), QString::number(i));
        ASSERT_TRUE(test::PumpUntil([&] { return m.ShownRows() == m.RowCount(); })) << fixed;
        m.Clear();
        m.SetRowCount(fixed);
        m.SetRowCount(fixed + 1);
        test::Settle();
        EXPECT_EQ(m.rowCount(), 1) << fixed;
    }
}

}  // namespace
}  // namespace orv::ui
