// The font of the Chinese texts: drawn by a family that has Traditional Chinese, while the Latin
// text in the same font keeps its own family.
#include "chinesefont.h"
#include "glyphs.h"
#include "testmain.h"

#include <QFontDatabase>
#include <QRegularExpression>
#include <QTest>

#include <utility>

using namespace vrx;
using namespace vrx::test;

class TestChineseFont : public QObject {
    Q_OBJECT

    QStringList chinese_;

private slots:
    void initTestCase() {
        chinese_ = QFontDatabase::families(QFontDatabase::TraditionalChinese);
        if (chinese_.isEmpty())
            QSKIP("no font for Traditional Chinese is installed (scripts/setup installs one)");
    }

    // The program's texts in Chinese, in the plain font and in the windows' design fonts.
    void drawsTheChineseTexts_data() {
        QTest::addColumn<QFont>("font");
        QTest::addColumn<QString>("text");
        QFont design;
        design.setPixelSize(13);
        design.setBold(true);
        for (const auto& [name, font] : {std::pair{"default", QFont()}, {"bold 13 px", design}}) {
            QTest::addRow("password caption, %s", name) << font << QStringLiteral(" 密碼輸入");
            QTest::addRow("device hint, %s", name)
                << font << QStringLiteral("顯示/不顯示 紀錄8資料");
            QTest::addRow("slider hint, %s", name)
                << font << QStringLiteral("觀看不同時間紀錄資料");
        }
    }
    void drawsTheChineseTexts() {
        QFETCH(QFont, font);
        QFETCH(QString, text);
        const QFont chosen = WithChineseFamily(font);
        QCOMPARE(Boxes(chosen, text), 0);
        // The characters come from a family made for them, not from whatever fallback has them.
        const QString han = QString(text).remove(QRegularExpression(QStringLiteral("[ -~]")));
        for (const QString& family : DrawingFamilies(chosen, han))
            QVERIFY2(chinese_.contains(family), qPrintable(family));
        QCOMPARE(chosen.pixelSize(), font.pixelSize());
        QCOMPARE(chosen.bold(), font.bold());
    }

    void latinTextKeepsItsFamily() {
        const QFont font;
        const QFont chosen = WithChineseFamily(font);
        const QString latin = QStringLiteral("Firmware Version 1.00");
        QCOMPARE(DrawingFamilies(chosen, latin), DrawingFamilies(font, latin));
    }

    void aFamilyWithChineseIsKept() {
        QFont font(chinese_.last());
        font.setPixelSize(14);
        const QFont chosen = WithChineseFamily(font);
        QCOMPARE(chosen.families(), font.families());
        QCOMPARE(chosen.family(), chinese_.last());
    }
};

VRX_TEST_MAIN(TestChineseFont)
#include "tst_chinesefont.moc"
