// The wizard's test programs build and run on the offscreen platform.
#include <QApplication>
#include <QtTest>

class SkeletonTest : public QObject {
    Q_OBJECT
private slots:
    void offscreenPlatform() { QCOMPARE(QGuiApplication::platformName(), QString("offscreen")); }
};

QTEST_MAIN(SkeletonTest)
#include "skeleton_test.moc"
