// The program on a 1024-pixel screen: every window laid out for 800 pixels grows by 1024/800.
#include "commandtester.h"
#include "fakeline.h"
#include "programwindows.h"
#include "scaling.h"
#include "scripteddialogs.h"
#include "testmain.h"

#include <QFontInfo>
#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QToolButton>

using namespace vrx;

class TestScaling : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        if (QGuiApplication::primaryScreen()->geometry().width() != 1024)
            QSKIP("needs the 1024-pixel offscreen screen that CTest sets up");
    }

    void windowsScaleByScreenWidth() {
        test::ScriptedDialogs dialogs;
        const auto forms = CreateForms();
        QCOMPARE(ScreenWidth, 1024);
        QCOMPARE(Scaled(800), 1024);
        // 1024 x 15 div 800
        QCOMPARE(forms->VRW0->TESTPL->CmdItemHeight(), 19);
        QCOMPARE(forms->VRW0->Image1->geometry(), QRect(332, 204, 358, 192));
        QCOMPARE(forms->VRW0->TESTPL->geometry(), QRect(10, 10, 1003, 563));
        QCOMPARE(forms->VRW0->findChild<QToolButton*>("ToolButton3")->size(), QSize(49, 48));
        QCOMPARE(forms->VRW0->findChild<QWidget*>("ToolButton1")->width(), 12);
        QCOMPARE(forms->VRW1->size(), QSize(512, 527));
        QCOMPARE(forms->VRW1->OKBt1->geometry(), QRect(312, 460, 153, 40));
        QCOMPARE(forms->VRW1->ComSetLB->font().pixelSize(), 20);
        QCOMPARE(forms->VRW4->Image2->size(), QSize(115, 55));
        // Bold labels set no size of their own: scaled once, with the window.
        const int aboutFont = forms->VRW4->font().pixelSize() > 0
                                  ? forms->VRW4->font().pixelSize()
                                  : QFontInfo(forms->VRW4->font()).pixelSize();
        for (QLabel* label : forms->VRW4->AboutPl->findChildren<QLabel*>())
            if (label->font().bold()) QCOMPARE(QFontInfo(label->font()).pixelSize(), aboutFont);
        QCOMPARE(forms->VRW2->size(), QSize(1024, 716));
        QCOMPARE(forms->VRW3->size(), QSize(1024, 716));
        QCOMPARE(forms->VRX5->size(), QSize(1011, 678));
    }
};

VRX_TEST_MAIN(TestScaling)
#include "tst_scaling.moc"
