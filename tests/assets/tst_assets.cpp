// Tests of the embedded artwork: every picture and icon decodes from the resources, in the
// expected format and size, and fits where the windows put it.
#include "frontface.h"
#include "testmain.h"

#include <QColor>
#include <QImage>
#include <QImageReader>
#include <QTest>

namespace {

// JPEG shifts flat colours by a few steps; anything within this of the intended colour is it.
constexpr int JpegTolerance = 12;

int Distance(QColor a, QColor b) {
    return std::max({std::abs(a.red() - b.red()), std::abs(a.green() - b.green()),
                     std::abs(a.blue() - b.blue()), std::abs(a.alpha() - b.alpha())});
}

QImage Load(const QString& path) {
    QImageReader reader(path);
    return reader.read();
}

} // namespace

class TestAssets : public QObject {
    Q_OBJECT
private slots:
    void decodes_data();
    void decodes();
    void frontLayoutMatchesPicture();
};

void TestAssets::decodes_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<QByteArray>("format");
    QTest::addColumn<QSize>("size");
    // The colour of the four corners: the background the picture must blend into (the white
    // Main window, the sky-blue tester panel, a toolbar behind a transparent icon). An
    // invalid colour means the picture fills its place edge to edge and is not checked.
    QTest::addColumn<QColor>("corners");

    const QColor white(255, 255, 255), skyBlue(166, 202, 240), none;
    const QColor clear(0, 0, 0, 0);
    // Pictures are drawn at twice their design size.
    QTest::newRow("main") << ":/assets/main.jpg" << QByteArray("jpeg") << QSize(560, 300) << white;
    QTest::newRow("tester") << ":/assets/tester.jpg" << QByteArray("jpeg") << QSize(400, 260)
                            << skyBlue;
    QTest::newRow("logo") << ":/assets/logo.jpg" << QByteArray("jpeg") << QSize(180, 86) << white;
    QTest::newRow("front") << ":/assets/front.jpg" << QByteArray("jpeg") << QSize(300, 300) << none;
    for (const char* icon : {"protocol", "monitor", "recorder", "tester", "exit", "about", "vrx"}) {
        const QString base = QStringLiteral(":/assets/icons/%1").arg(QLatin1String(icon));
        QTest::newRow(icon) << base + ".png" << QByteArray("png") << QSize(32, 32) << clear;
        QTest::newRow(qPrintable(QStringLiteral("%1@2x").arg(QLatin1String(icon))))
            << base + "@2x.png" << QByteArray("png") << QSize(64, 64) << clear;
    }
}

void TestAssets::decodes() {
    QFETCH(QString, path);
    QFETCH(QByteArray, format);
    QFETCH(QSize, size);
    QFETCH(QColor, corners);

    QImageReader reader(path);
    // The format comes from the content, so "jpeg" proves the JPEG plugin read the data.
    QCOMPARE(reader.format(), format);
    QCOMPARE(reader.size(), size);
    const QImage image = reader.read();
    QVERIFY2(!image.isNull(), qPrintable(reader.errorString()));
    QCOMPARE(image.size(), size);

    if (!corners.isValid()) return;
    const int right = image.width() - 1, bottom = image.height() - 1;
    for (QPoint corner :
         {QPoint(0, 0), QPoint(right, 0), QPoint(0, bottom), QPoint(right, bottom)}) {
        const QColor seen = image.pixelColor(corner);
        QVERIFY2(Distance(seen, corners) <= JpegTolerance,
                 qPrintable(QStringLiteral("corner (%1, %2) is %3, expected %4")
                                .arg(corner.x())
                                .arg(corner.y())
                                .arg(seen.name(QColor::HexArgb), corners.name(QColor::HexArgb))));
    }
}

// Windows lay their display edits and lamps over the front picture at the places that
// frontface.h gives; the picture must have its windows and lamp sockets there too.
void TestAssets::frontLayoutMatchesPicture() {
    const QImage image = Load(":/assets/front.jpg");
    QVERIFY(!image.isNull());
    const qreal sx = image.width() / vrx::frontface::DesignSize.width();
    const qreal sy = image.height() / vrx::frontface::DesignSize.height();
    const auto at = [&](QPointF design) {
        return image.pixelColor(qRound(design.x() * sx), qRound(design.y() * sy));
    };

    // The display windows are black but for the faint unlit segments.
    for (const QRectF& window : {vrx::frontface::PvWindow, vrx::frontface::SvWindow}) {
        const QRectF inner = window.adjusted(2, 2, -2, -2);
        for (int i = 0; i <= 8; ++i) {
            for (int j = 0; j <= 4; ++j) {
                const QPointF p(inner.left() + inner.width() * i / 8,
                                inner.top() + inner.height() * j / 4);
                const QColor c = at(p);
                QVERIFY2(std::max({c.red(), c.green(), c.blue()}) < 64,
                         qPrintable(QStringLiteral("(%1, %2) in a display window is %3")
                                        .arg(p.x())
                                        .arg(p.y())
                                        .arg(c.name())));
            }
        }
    }

    // Each lamp centre shows the grey of an unlit socket, not the darker face around it.
    const QColor socket(70, 74, 80);
    for (const QPointF& lamp : vrx::frontface::Lamps) {
        const QColor c = at(lamp);
        QVERIFY2(Distance(c, socket) <= JpegTolerance,
                 qPrintable(QStringLiteral("lamp at (%1, %2) is %3")
                                .arg(lamp.x())
                                .arg(lamp.y())
                                .arg(c.name())));
        const QColor beside = at(lamp + QPointF(0, -vrx::frontface::LampRadius - 2));
        QVERIFY2(Distance(beside, socket) > JpegTolerance,
                 qPrintable(QStringLiteral("above the lamp at (%1, %2) is still a socket")
                                .arg(lamp.x())
                                .arg(lamp.y())));
    }
}

VRX_TEST_MAIN(TestAssets)
#include "tst_assets.moc"
