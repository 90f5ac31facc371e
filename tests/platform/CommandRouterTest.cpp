#include "Commands.h"
#include "Timer.h"

#include <QAction>
#include <QMenu>
#include <QTest>
#include <QToolBar>

namespace {

// A target that logs its commands and offers start only while stopped, stop only while running.
class CTarget : public QObject {
public:
    CTarget(QString name, QStringList& log) : m_strName(std::move(name)), m_log(log) {}
    void OnSearch() { m_log << m_strName + " search"; }
    void OnAutoStart() { m_bRunning = true; }
    void OnUpdateAutoStart(CCmdUI* ui) { ui->Enable(!m_bRunning); }
    void OnUpdateAutoStop(CCmdUI* ui) { ui->Enable(m_bRunning); }

    QString m_strName;
    QStringList& m_log;
    bool m_bRunning = false;
};

} // namespace

class CommandRouterTest : public QObject {
    Q_OBJECT

private slots:
    void routeOrderDecidesWhoHandles_data();
    void routeOrderDecidesWhoHandles();
    void commandsWithoutHandlerAreDisabled();
    void statesRefreshWhenTheyMayHaveChanged();
};

void CommandRouterTest::routeOrderDecidesWhoHandles_data() {
    QTest::addColumn<QStringList>("order");
    QTest::addColumn<QString>("handler");
    QTest::newRow("view first") << QStringList{"view", "frame"} << "view search";
    QTest::newRow("frame first") << QStringList{"frame", "view"} << "frame search";
    QTest::newRow("unordered targets follow") << QStringList{"app"} << "view search";
}

void CommandRouterTest::routeOrderDecidesWhoHandles() {
    QFETCH(QStringList, order);
    QFETCH(QString, handler);
    QStringList log;
    QObject frameWindow;
    CCommandRouter router(&frameWindow);
    CTarget view("view", log), frame("frame", log), app("app", log);
    router.Route(ID_SEARCH, &view, &CTarget::OnSearch);
    router.Route(ID_SEARCH, &frame, &CTarget::OnSearch);
    std::vector<QObject*> targets;
    for (const QString& name : order)
        targets.push_back(name == "view" ? &view : name == "frame" ? &frame : &app);
    router.SetRouteOrder(targets);
    router.AddCommand(ID_SEARCH, "검색");

    frameWindow.findChild<QAction*>("ID_SEARCH")->trigger();
    QCOMPARE(log, QStringList{handler});
}

void CommandRouterTest::commandsWithoutHandlerAreDisabled() {
    QStringList log;
    CCommandRouter router;
    QAction* open = router.AddCommand(ID_BOOK_OPEN);
    QAction* search = router.AddCommand(ID_SEARCH);
    QAction* start = router.AddCommand(ID_AUTO_START);
    {
        CTarget view("view", log);
        router.Route(ID_SEARCH, &view, &CTarget::OnSearch);
        router.Route(ID_AUTO_START, &view, &CTarget::OnAutoStart);
        router.RouteUpdate(ID_AUTO_START, &view, &CTarget::OnUpdateAutoStart);
        router.UpdateCommandStates();
        QVERIFY(!open->isEnabled());
        QVERIFY(search->isEnabled() && start->isEnabled());
        QVERIFY(router.Execute(ID_AUTO_START));
        QVERIFY(!router.Execute(ID_AUTO_START)); // now disabled: refused, whatever was shown
        QVERIFY(!router.Execute(ID_BOOK_OPEN));
    }
    router.UpdateCommandStates(); // the view is gone, and its handlers with it
    QVERIFY(!search->isEnabled() && !start->isEnabled());
}

// After a command, before a menu shows, and once idle after a timer expiry; a menu item and a
// toolbar button of one command always agree.
void CommandRouterTest::statesRefreshWhenTheyMayHaveChanged() {
    QStringList log;
    QWidget frame;
    CCommandRouter router(&frame);
    CTarget view("view", log);
    router.Route(ID_AUTO_START, &view, &CTarget::OnAutoStart);
    router.RouteUpdate(ID_AUTO_START, &view, &CTarget::OnUpdateAutoStart);
    router.RouteUpdate(ID_AUTO_STOP, &view, &CTarget::OnUpdateAutoStop);
    QMenu menu(&frame);
    QToolBar toolbar(&frame);
    for (int id : {ID_AUTO_START, ID_AUTO_STOP}) {
        menu.addAction(router.AddCommand(id, CommandName(id)));
        toolbar.addAction(router.Action(id));
    }
    // 1 or 0 when the action (the menu item) and the button agree, -1 when they differ.
    auto enabled = [&](int id) {
        const bool item = router.Action(id)->isEnabled();
        return item == toolbar.widgetForAction(router.Action(id))->isEnabled() ? int(item) : -1;
    };
    router.UpdateCommandStates();
    QCOMPARE(enabled(ID_AUTO_START), 1);
    QCOMPARE(enabled(ID_AUTO_STOP), 0);

    QTest::mouseClick(toolbar.widgetForAction(router.Action(ID_AUTO_START)), Qt::LeftButton);
    QCOMPARE(enabled(ID_AUTO_START), 0);
    QCOMPARE(enabled(ID_AUTO_STOP), 1);

    view.m_bRunning = false; // behind the router's back
    menu.popup(QPoint(0, 0));
    QCOMPARE(enabled(ID_AUTO_START), 1);
    menu.hide();

    CTimer timer;
    connect(&timer, &CTimer::timeout, &view, [&] { view.m_bRunning = true; });
    timer.SetTimer(1, 10);
    QTRY_COMPARE(enabled(ID_AUTO_STOP), 1);
}

QTEST_MAIN(CommandRouterTest)
#include "CommandRouterTest.moc"
