// The interface merge dialog over hand-made interface lists: what each row offers first, what OK
// pairs, when it refuses or asks, and that every old physical interface gets a row.
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QtTest>
#include <cstddef>
#include <string>
#include <vector>

#include "convert/interface_pairing.h"
#include "wizard/interface_merge_dialog.h"
#include "wizard/string_table.h"

namespace {

InterfaceRecord record(const std::string& device, const std::string& addr, const std::string& location,
                       bool flags = false) {
    InterfaceRecord r;
    r.interface = device;
    r.addr = addr;
    r.location = location;
    r.nat = flags;
    r.inat = !flags;
    r.transparency = flags;
    return r;
}

// Old physical interfaces eth0.. (nat and transparency on every second one), then the aliases, and
// new interfaces em0.. whose flags are all off.
struct Lists {
    Lists(int physical, int aliases, int fresh) : physicalCount(physical) {
        for (int i = 0; i < physical; ++i) {
            const std::string n = std::to_string(i);
            oldList.push_back(record("eth" + n, "10.0." + n + ".1", "old" + n, i % 2 == 1));
        }
        for (int i = 0; i < aliases; ++i) {
            oldList.push_back(record("eth0", "10.9.9." + std::to_string(i + 2), "alias"));
            oldList.back().alias = true;
        }
        for (int j = 0; j < fresh; ++j) {
            const std::string n = std::to_string(j);
            newList.push_back(record("em" + n, "192.168." + n + ".1", "new" + n));
            newList.back().inat = false;
        }
    }
    InterfaceList oldList;
    InterfaceList newList;
    int physicalCount;
    InterfacePairing pairing{oldList, physicalCount, newList};
};

// A dialog on screen whose message boxes are recorded instead of shown.
struct Shown {
    explicit Shown(Lists& lists, bool answer = true) : dialog(lists.pairing) {
        dialog.setMessageFunctions([this](const QString& text) { told.append(text); },
                                   [this, answer](const QString& text) {
                                       asked.append(text);
                                       return answer;
                                   });
        dialog.show();
    }
    QComboBox* choice(int row) const { return dialog.newInterfaceChoices().at(row); }
    void pressOk() { dialog.okButton()->click(); }
    bool closedWithOk() const { return !dialog.isVisible() && dialog.result() == QDialog::Accepted; }

    InterfaceMergeDialog dialog;
    QStringList told;
    QStringList asked;
};

void verifyPaired(const Lists& lists, int i, int j) {
    const InterfaceRecord& o = lists.oldList[static_cast<std::size_t>(i)];
    const InterfaceRecord& n = lists.newList[static_cast<std::size_t>(j)];
    QCOMPARE(o.counterpartIndex, j);
    QCOMPARE(o.counterpartInterface, n.interface);
    QCOMPARE(o.counterpartAddr, n.addr);
    QCOMPARE(n.counterpartIndex, i);
    QCOMPARE(n.counterpartInterface, o.interface);
    QCOMPARE(n.counterpartAddr, o.addr);
    QCOMPARE(n.nat, o.nat);
    QCOMPARE(n.inat, o.inat);
    QCOMPARE(n.transparency, o.transparency);
}

}  // namespace

class MergeDialogTest : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { QVERIFY(QApplication::topLevelWidgets().isEmpty()); }

    void equalCountsOfferTheInterfaceInTheSamePlace() {
        Lists lists(3, 1, 3);
        Shown shown(lists);
        QCOMPARE(shown.dialog.windowTitle(), QString("Merge Interfaces"));
        QCOMPARE(shown.dialog.newInterfaceChoices().size(), 3);  // the alias has no row
        QCOMPARE(shown.dialog.findChild<QLineEdit*>("oldInterface1")->text(), QString("eth1 - 10.0.1.1 - old1"));
        QVERIFY(shown.dialog.findChild<QLineEdit*>("oldInterface1")->isReadOnly());
        for (int i = 0; i < 3; ++i) {
            QCOMPARE(shown.choice(i)->count(), 3);
            QCOMPARE(shown.choice(i)->itemText(2), QString("em2 - 192.168.2.1 - new2"));
            QCOMPARE(shown.choice(i)->currentIndex(), i);
        }
        shown.pressOk();
        QVERIFY(shown.closedWithOk());
        QVERIFY(shown.told.isEmpty() && shown.asked.isEmpty());
        for (int i = 0; i < 3; ++i) verifyPaired(lists, i, i);
        QCOMPARE(lists.oldList[3].counterpartIndex, kUnpaired);
    }

    // Two old onto the first of three new: the later row's values stay in the shared record, and the
    // new interfaces nobody chose stay unpaired.
    void differentCountsOfferTheFirstInterface() {
        Lists lists(2, 0, 3);
        Shown shown(lists);
        QCOMPARE(shown.choice(0)->currentIndex(), 0);
        QCOMPARE(shown.choice(1)->currentIndex(), 0);
        shown.pressOk();
        QVERIFY(shown.closedWithOk());
        QVERIFY(shown.asked.isEmpty());
        QCOMPARE(lists.oldList[0].counterpartIndex, 0);
        verifyPaired(lists, 1, 0);
        QCOMPARE(lists.newList[1].counterpartIndex, kUnpaired);
        QCOMPARE(lists.newList[2].counterpartIndex, kUnpaired);
        QVERIFY(lists.newList[2].counterpartInterface.empty());
    }

    void noNewInterfacesMeansNoChoiceAndTheDialogStays() {
        Lists lists(2, 0, 0);
        Shown shown(lists);
        QCOMPARE(shown.choice(0)->currentIndex(), -1);
        shown.pressOk();
        QVERIFY(shown.dialog.isVisible());
        QCOMPARE(shown.told, QStringList{loadString(105)});
        QCOMPARE(shown.dialog.focusWidget(), shown.choice(0));
        QCOMPARE(lists.oldList[0].counterpartIndex, kUnpaired);
    }

    // The rows before the one without a choice are paired; that one and the rows after it are not.
    void aMissingChoiceKeepsTheEarlierRowsPaired() {
        Lists lists(3, 0, 3);
        Shown shown(lists);
        shown.choice(1)->setCurrentIndex(-1);
        shown.pressOk();
        QVERIFY(shown.dialog.isVisible());
        QCOMPARE(shown.told.size(), 1);
        QCOMPARE(shown.dialog.focusWidget(), shown.choice(1));
        verifyPaired(lists, 0, 0);
        QCOMPARE(lists.oldList[1].counterpartIndex, kUnpaired);
        QCOMPARE(lists.oldList[2].counterpartIndex, kUnpaired);
        QCOMPARE(lists.newList[2].counterpartIndex, kUnpaired);
    }

    void sharedPartnerQuestion_data() {
        QTest::addColumn<int>("physical");
        QTest::addColumn<int>("aliases");
        QTest::addColumn<int>("fresh");
        QTest::addColumn<int>("second");  // the second row's choice; the first chooses new 1
        QTest::addColumn<bool>("asked");
        QTest::newRow("two old onto one of two new") << 2 << 0 << 2 << 1 << true;
        QTest::newRow("two old onto two new") << 2 << 0 << 2 << 0 << false;
        QTest::newRow("an alias makes three old records") << 2 << 1 << 2 << 1 << false;
        QTest::newRow("three new interfaces") << 2 << 0 << 3 << 1 << false;
    }
    void sharedPartnerQuestion() {
        QFETCH(int, physical);
        QFETCH(int, aliases);
        QFETCH(int, fresh);
        QFETCH(int, second);
        QFETCH(bool, asked);
        Lists lists(physical, aliases, fresh);
        Shown shown(lists);
        shown.choice(0)->setCurrentIndex(1);
        shown.choice(1)->setCurrentIndex(second);
        shown.pressOk();
        QCOMPARE(shown.asked, asked ? QStringList{loadString(106)} : QStringList{});
        QVERIFY(shown.closedWithOk());
    }

    void noToTheSharedPartnerStaysAndYesCloses() {
        Lists lists(2, 0, 2);
        Shown shown(lists, false);
        shown.choice(0)->setCurrentIndex(1);
        shown.pressOk();
        QCOMPARE(shown.asked.size(), 1);
        QVERIFY(shown.dialog.isVisible());

        Shown again(lists, true);
        again.choice(0)->setCurrentIndex(1);
        again.pressOk();
        QVERIFY(again.closedWithOk());
        QCOMPARE(lists.oldList[0].counterpartIndex, 1);
        verifyPaired(lists, 1, 1);  // the second row's values, nat and transparency on
        QVERIFY(lists.newList[1].nat);
        QCOMPARE(lists.newList[0].counterpartIndex, kUnpaired);
    }

    void escapeLeavesTheRecordsAlone() {
        Lists lists(2, 0, 2);
        Shown shown(lists);
        shown.choice(0)->setCurrentIndex(1);
        QTest::keyClick(&shown.dialog, Qt::Key_Escape);
        QVERIFY(!shown.dialog.isVisible());
        QCOMPARE(shown.dialog.result(), int(QDialog::Rejected));
        QVERIFY(lists.pairing.unpaired() == (std::vector<int>{0, 1}));
        QCOMPARE(lists.newList[1].counterpartIndex, kUnpaired);
    }

    // Ten rows fit without scrolling; more are all there, reached by scrolling, and all paired.
    void everyOldInterfaceHasARow_data() {
        QTest::addColumn<int>("physical");
        QTest::addColumn<bool>("scrolls");
        QTest::newRow("ten") << 10 << false;
        QTest::newRow("twelve") << 12 << true;
    }
    void everyOldInterfaceHasARow() {
        QFETCH(int, physical);
        QFETCH(bool, scrolls);
        Lists lists(physical, 2, 3);
        Shown shown(lists);
        QVERIFY(QTest::qWaitForWindowExposed(&shown.dialog));
        QCOMPARE(shown.dialog.findChildren<QComboBox*>().size(), physical);
        const auto* last = shown.dialog.findChild<QLineEdit*>(QString("oldInterface%1").arg(physical - 1));
        QCOMPARE(last->text(), QString("eth%1 - 10.0.%1.1 - old%1").arg(physical - 1));
        QCOMPARE(shown.dialog.findChild<QScrollArea*>()->verticalScrollBar()->maximum() > 0, scrolls);
        shown.pressOk();
        QVERIFY(shown.closedWithOk());
        QVERIFY(lists.pairing.unpaired().empty());
    }

    void tabGoesDownTheChoicesThenToOk() {
        Lists lists(3, 0, 3);
        Shown shown(lists);
        QApplication::setActiveWindow(&shown.dialog);
        QVERIFY(QTest::qWaitForWindowActive(&shown.dialog));
        QCOMPARE(QApplication::focusWidget(), shown.choice(0));
        for (QWidget* next : {static_cast<QWidget*>(shown.choice(1)), static_cast<QWidget*>(shown.choice(2)),
                              static_cast<QWidget*>(shown.dialog.okButton())}) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QCOMPARE(QApplication::focusWidget(), next);
        }
    }
};

QTEST_MAIN(MergeDialogTest)
#include "merge_dialog_test.moc"
