// ScreenWidth fitted to a screen: the design's 800 x 600 kept in proportion inside the room a
// screen leaves, whichever of its width and height is the tighter.
#include "screenwidth.h"

#include <QTest>

using namespace vrx;

class TestScreenWidth : public QObject {
    Q_OBJECT

private slots:
    void fittedToTheScreen_data() {
        QTest::addColumn<QSize>("available");
        QTest::addColumn<int>("screenWidth");
        QTest::newRow("800x600, the design") << QSize(800, 600) << 800;
        QTest::newRow("800x800, taller") << QSize(800, 800) << 800;
        QTest::newRow("1024x768") << QSize(1024, 768) << 1024;
        QTest::newRow("1280x1024, 5:4") << QSize(1280, 1024) << 1280;
        // Wide screens: the height decides.
        QTest::newRow("1280x800") << QSize(1280, 800) << 1066;
        QTest::newRow("1366x768") << QSize(1366, 768) << 1024;
        QTest::newRow("1366x728, below a taskbar") << QSize(1366, 728) << 970;
        QTest::newRow("1920x1080") << QSize(1920, 1080) << 1440;
        QTest::newRow("2560x1440") << QSize(2560, 1440) << 1920;
        QTest::newRow("2560x1440 at twice the pixel ratio") << QSize(1280, 720) << 960;
        QTest::newRow("3440x1440, ultra wide") << QSize(3440, 1440) << 1920;
        QTest::newRow("768x1366, portrait") << QSize(768, 1366) << 768;
        QTest::newRow("640x480, smaller than the design") << QSize(640, 480) << 640;
        QTest::newRow("no room") << QSize(0, 0) << 1;
    }
    void fittedToTheScreen() {
        QFETCH(QSize, available);
        QFETCH(int, screenWidth);
        QCOMPARE(FittedScreenWidth(available), screenWidth);
        // The whole design area, scaled, lies in the room.
        const int saved = ScreenWidth;
        ScreenWidth = FittedScreenWidth(available);
        if (!available.isEmpty()) {
            QVERIFY(Scaled(DesignWidth) <= available.width());
            QVERIFY(Scaled(DesignScreenHeight) <= available.height());
        }
        ScreenWidth = saved;
    }
};

QTEST_GUILESS_MAIN(TestScreenWidth)
#include "tst_screenwidth.moc"
