// Renders the wizard's windows to PNG files in SCREENSHOT_DIR, at the size they open with, so that
// their look can be reviewed without a display. Each file is checked to have been written; what is
// in it is for a person to judge.
#include <QApplication>
#include <QDir>
#include <QtTest>
#include <string>

#include "convert/interface_pairing.h"
#include "wizard/interface_merge_dialog.h"

namespace {

// Old interfaces as a 5.x firewall names them, new ones as a 6.0 firewall does.
struct Interfaces {
    Interfaces(int oldCount, int newCount) : physicalCount(oldCount) {
        const char* places[] = {"Outside", "Inside", "DMZ", "Servers", "Lab", "Guests"};
        for (int i = 0; i < oldCount; ++i) {
            InterfaceRecord r;
            r.interface = "eth" + std::to_string(i);
            r.addr = "172.16." + std::to_string(i) + ".254";
            r.location = places[i % 6];
            oldList.push_back(r);
        }
        for (int j = 0; j < newCount; ++j) {
            InterfaceRecord r;
            r.interface = "em" + std::to_string(j);
            r.addr = "192.168." + std::to_string(j + 1) + ".1";
            r.location = places[j % 6];
            newList.push_back(r);
        }
    }
    InterfaceList oldList;
    InterfaceList newList;
    int physicalCount;
    InterfacePairing pairing{oldList, physicalCount, newList};
};

}  // namespace

class ScreenshotsTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QVERIFY(QDir().mkpath(SCREENSHOT_DIR)); }
    void cleanup() { QVERIFY(QApplication::topLevelWidgets().isEmpty()); }

    void mergeDialog_data() {
        QTest::addColumn<int>("oldCount");
        QTest::addColumn<int>("newCount");
        QTest::newRow("merge-dialog-equal-counts") << 3 << 3;
        QTest::newRow("merge-dialog-different-counts") << 2 << 4;
        QTest::newRow("merge-dialog-12-old") << 12 << 4;
    }
    void mergeDialog() {
        QFETCH(int, oldCount);
        QFETCH(int, newCount);
        Interfaces interfaces(oldCount, newCount);
        InterfaceMergeDialog dialog(interfaces.pairing);
        render(dialog, QTest::currentDataTag());
    }

private:
    // Shows the window at the size it opens with and writes what it draws to NAME.png.
    static void render(QWidget& window, const QString& name) {
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        const QString path = QDir(SCREENSHOT_DIR).filePath(name + ".png");
        QVERIFY2(window.grab().save(path), qPrintable(path));
    }
};

QTEST_MAIN(ScreenshotsTest)
#include "screenshots_test.moc"
