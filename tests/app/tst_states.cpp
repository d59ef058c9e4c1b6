#include "WindowFixture.h"

#include "app/Fmain.h"
#include "app/PageControl.h"
#include "app/StatusPanels.h"
#include "base/ActionList.h"
#include "base/UState.h"
#include "data/DDataAccess.h"
#include "forms/DBNavigator.h"
#include "store/ReviewSchema.h"
#include "tree/TreeNavigation.h"
#include "tree/TreeProcedures.h"

#include <QAction>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>

class TestStates : public QObject
{
    Q_OBJECT

private slots:
    void init() { QTest::failOnWarning(QRegularExpression(QStringLiteral("^QObject::"))); }

    void afterStartUp()
    {
        WindowFixture f;
        QVERIFY(f.start());
        TMainform &w = f.window();
        QCOMPARE(CurrentState, static_cast<TState *>(&StateInitial()));
        QCOMPARE(PreviousState, static_cast<TState *>(&StateInitial()));
        QCOMPARE(CurrentState->Name, QStringLiteral("Initial"));
        QCOMPARE(w.actions()->enabledSet(), 0);
        QVERIFY(w.Panel1->isEnabled());
        QVERIFY(!w.Panel2->isEnabled());
        QVERIFY(!w.DBNavigator1->isHidden());
        QCOMPARE(w.ActivePage(), int(TMainform::pgBookData));
        QCOMPARE(f.table().tag(), int(TDataAccess::tagBookData));
    }

    void editOnEmptyBookDataDisablesEverything()
    {
        WindowFixture f;
        QVERIFY(f.start());
        TMainform &w = f.window();
        w.EnableActions(AllReviewActions);
        SetState(StateEdit());
        QCOMPARE(w.actions()->enabledSet(), 0);
        QVERIFY(w.Panel1->isEnabled());
        QVERIFY(w.Panel2->isEnabled());
        QCOMPARE(PreviousState, static_cast<TState *>(&StateInitial()));
    }

    void previewByClickEnablesOnlyPrint()
    {
        WindowFixture f;
        QVERIFY(f.start());
        TMainform &w = f.window();
        SetState(StateEdit());
        QVERIFY(w.PageControl1->userSwitchTo(TMainform::pgPreview));
        QCOMPARE(w.actions()->enabledSet(), 1 << baPrint);
        // The review page sets its check mode; the preview leaves it.
        QVERIFY(w.PageControl1->userSwitchTo(TMainform::pgReview));
        QCOMPARE(f.table().tag(), int(TDataAccess::tagReview));
        QVERIFY(w.PageControl1->userSwitchTo(TMainform::pgDbOverview));
        QCOMPARE(f.table().tag(), int(TDataAccess::tagReview));
        auto *nav = static_cast<DBNavigator *>(w.DBNavigator1);
        QCOMPARE(nav->visibleButtons(), int(DBNavigator::MoveButtons));
    }

    void insertKeepsTheBookDataPage()
    {
        WindowFixture f;
        QVERIFY(f.start());
        TMainform &w = f.window();
        SetState(StateEdit());
        f.data().IniReviewRecord();
        f.desktop.answer(Msg::mrOk, QStringLiteral("Register wechseln ..."));
        QVERIFY(!w.PageControl1->userSwitchTo(TMainform::pgReview));
        QCOMPARE(w.ActivePage(), int(TMainform::pgBookData));
        QCOMPARE(f.desktop.lastDialog().message,
            QStringLiteral("Der Datensatz ist noch nicht gespeichert!\r\n"
                           "Drücken Sie im DB-Navigator das Häklein um zu speichern\r\n"
                           "oder \" - \" um den Datensatz zu löschen."));
        QCOMPARE(f.desktop.lastDialog().buttonSet, int(Msg::mbOK));

        // A record being edited, not inserted, does not hold the page.
        f.table().setTag(TDataAccess::tagNone);
        QVERIFY(f.table().post());
        f.table().edit();
        QVERIFY(w.PageControl1->userSwitchTo(TMainform::pgReview));
    }

    void preferencesThenAbortReturn_data()
    {
        QTest::addColumn<int>("times");
        QTest::newRow("once") << 1;
        QTest::newRow("twice") << 2;
    }
    void preferencesThenAbortReturn()
    {
        QFETCH(int, times);
        WindowFixture f;
        QVERIFY(f.start());
        TMainform &w = f.window();
        SetState(StateEdit());
        for (int i = 0; i < times; ++i)
            w.actions()->action(QStringLiteral("ActionPreferences"))->trigger();
        QCOMPARE(CurrentState, static_cast<TState *>(&StateEditSettings()));
        // Hiding the work pages shows none of them on the way.
        QCOMPARE(w.actions()->enabledSet(), 0);
        QCOMPARE(f.table().tag(), int(TDataAccess::tagBookData));
        for (int i = 0; i < TMainform::pgCount; ++i)
            QCOMPARE(w.PageControl1->isTabVisible(i), i >= TMainform::pgSettingsPersonData);
        QCOMPARE(w.ActivePage(), int(TMainform::pgSettingsPersonData));
        QVERIFY(!w.Panel1->isEnabled());
        QVERIFY(w.DBNavigator1->isHidden());

        w.findChild<QPushButton *>(QStringLiteral("ButtonAbortSettingsWeb"))->click();
        QCOMPARE(CurrentState, static_cast<TState *>(&StateEdit()));
        for (int i = 0; i < TMainform::pgCount; ++i)
            QCOMPARE(w.PageControl1->isTabVisible(i), i < 5);
        QCOMPARE(w.ActivePage(), int(TMainform::pgBookData));
        QVERIFY(w.Panel1->isEnabled());
    }

    void treeFocusLeavesTheSettings()
    {
        WindowFixture f;
        QVERIFY(f.start());
        TMainform &w = f.window();
        w.actions()->action(QStringLiteral("ActionPreferences"))->trigger();
        w.TreeView1->setCurrentItem(RootNode(w.TreeView1));
        w.TreeView1Enter();
        QCOMPARE(CurrentState, static_cast<TState *>(&StateNavigateTreeView()));
        QVERIFY(w.PageControl1->isTabVisible(TMainform::pgBookData));
        QVERIFY(!w.PageControl1->isTabVisible(TMainform::pgSettingsWeb));
        QVERIFY(w.actions()->reviewAction(baNew)->isEnabled());
    }

    void navigatorPostRunsTheChecksOfThePageLastShown()
    {
        WindowFixture f;
        QVERIFY(f.start());
        TMainform &w = f.window();
        auto *nav = static_cast<DBNavigator *>(w.DBNavigator1);
        SetState(StateEdit());
        f.data().IniReviewRecord();
        // Book-data checks from the book page: the number check comes first.
        f.desktop.answer(Msg::mrCancel, QStringLiteral("Konsistenzprüfung..."));
        nav->press(DBNavigator::nbPost);
        QCOMPARE(f.desktop.lastDialog().message.left(16), QStringLiteral("Die Buchnummer e"));
        QCOMPARE(f.table().state(), DataSet::dsInsert);

        // The review page's checks, also when posting from the overview.
        f.table().setValue(fBookNbr, 5.7);
        f.table().setValue(fYearPublished, 2007);
        f.table().setTag(TDataAccess::tagNone);
        nav->press(DBNavigator::nbPost);
        QVERIFY(w.PageControl1->userSwitchTo(TMainform::pgReview));
        QVERIFY(w.PageControl1->userSwitchTo(TMainform::pgDbOverview));
        f.table().edit();
        f.table().setValue(fReview, QStringLiteral("Gut."));
        f.desktop.answer(Msg::mrOk, QStringLiteral("Konsistenzprüfung..."));
        nav->press(DBNavigator::nbPost);
        QCOMPARE(f.desktop.lastDialog().message,
            QStringLiteral("Sie haben noch keinen Stoffkreis angegeben."));
        QCOMPARE(f.table().state(), DataSet::dsEdit);
        nav->press(DBNavigator::nbCancel);
    }

    void deletingTheOnlyRecordLeavesAFreshOne()
    {
        WindowFixture f;
        QVERIFY(f.start());
        TMainform &w = f.window();
        auto *nav = static_cast<DBNavigator *>(w.DBNavigator1);
        f.table().setTag(TDataAccess::tagNone);
        f.table().append();
        f.table().setValue(fBookNbr, 5.7);
        f.table().setValue(fBinding, QStringLiteral("brosch"));
        QVERIFY(f.table().post());
        f.desktop.answer(Msg::mrOk, QStringLiteral("Datensatz löschen..."));
        nav->press(DBNavigator::nbDelete);
        QCOMPARE(f.table().recordCount(), 0);
        QCOMPARE(f.table().state(), DataSet::dsInsert);
        QCOMPARE(f.table().asText(fBinding), QStringLiteral("geb"));
        QCOMPARE(w.statusText(StatusPanel::Books), QStringLiteral("0"));
    }

    void pageControlFocusEntersEdit()
    {
        WindowFixture f;
        QVERIFY(f.start());
        TMainform &w = f.window();
        w.PageControl1Enter();
        QCOMPARE(CurrentState, static_cast<TState *>(&StateEdit()));
        w.actions()->action(QStringLiteral("ActionPreferences"))->trigger();
        w.PageControl1Enter();
        QCOMPARE(CurrentState, static_cast<TState *>(&StateEditSettings()));
    }
};

QTEST_MAIN(TestStates)
#include "tst_states.moc"
