// The main window as a desktop user drives it: editor focus, keyboard, undo and redo, dropped
// files, the header, the title and what is remembered between runs.

#include "Form1Harness.h"

#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>
#include <QWheelEvent>

using namespace sonquill;
using namespace sonquill::test;
using Button = MessageRequest::Button;

namespace {

// A turn of the mouse wheel over the middle of the grid.
void wheel(SoundGridView *grid, int steps)
{
    QWidget *viewport = grid->viewport();
    const QPointF pos = viewport->rect().center();
    QWheelEvent event(pos, viewport->mapToGlobal(pos), {}, QPoint(0, -120 * steps), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(viewport, &event);
}

} // namespace

class WindowTest : public QObject
{
    Q_OBJECT
private slots:
    void categoryArrowOpensTheList();
    void refusedNumberIsNeverStoredUnasked();
};

void WindowTest::categoryArrowOpensTheList()
{
    Form1Harness h;
    h.openWith(h.sounds(3));
    auto *txtDir = h.control<QLineEdit>("txtDir");
    const QString folder = txtDir->text();
    auto *cmbCateg = h.control<QComboBox>("cmbCateg");
    h.startEdit(2, ColCategory);
    QTRY_VERIFY(cmbCateg->isVisible());
    QTest::mouseClick(cmbCateg, Qt::LeftButton, {},
                      QPoint(cmbCateg->width() - 4, cmbCateg->height() / 2));
    QTRY_VERIFY(cmbCateg->view()->isVisible());
    QVERIFY(cmbCateg->isVisible());
    QVERIFY(!txtDir->hasFocus());
    QTest::keyClick(cmbCateg->view(), Qt::Key_Escape);
    QTRY_VERIFY(!cmbCateg->view()->isVisible());
    QVERIFY(cmbCateg->isVisible());
    QTest::keyClicks(QApplication::focusWidget(), "Z");
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QCOMPARE(txtDir->text(), folder);
    QCOMPARE(h.settings.lastGameDir(), folder);
    QCOMPARE(h.shown({ColName, ColCategory}), "S1,Misc/S2,MiscZ*/S3,Misc");
}

void WindowTest::refusedNumberIsNeverStoredUnasked()
{
    Form1Harness h;
    Form1 &w = h.openWith(h.sounds(40, "", "1"));
    auto *txtGrid = h.control<QLineEdit>("txtGrid");
    h.startEdit(2, ColNumber);
    QTRY_VERIFY(txtGrid->hasFocus());
    QTest::keyClicks(txtGrid, "4");
    QTest::keyClick(txtGrid, Qt::Key_Tab);
    QCOMPARE(h.ui.messages.size(), 1);
    QCOMPARE(h.ui.messages[0].title, "Number Taken!");
    // The editor keeps the keyboard, so typing goes on where the user was told to.
    QVERIFY(txtGrid->isVisible());
    QTRY_VERIFY(txtGrid->hasFocus());
    // The wheel closes it without storing the number only suggested.
    wheel(h.grid(), 3);
    QTRY_VERIFY(txtGrid->isHidden());
    QCOMPARE(w.table().at(2).number, qint16(2));
    QCOMPARE(h.ui.messages.size(), 1);
}

QTEST_MAIN(WindowTest)
#include "tst_window.moc"
