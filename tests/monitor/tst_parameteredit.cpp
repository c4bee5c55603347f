// The writes the Monitor's editing controls compose, as frames: typed texts in every scale, texts
// that are not sent, values beyond a register word, combo box items with the key lock's codes,
// the two commands, and the password box's words.
#include "errors.h"
#include "framecodec.h"
#include "parameteredit.h"

#include <QTest>

using namespace vrx;

Q_DECLARE_METATYPE(vrx::PassCommand)

class TestParameterEdit : public QObject {
    Q_OBJECT

private slots:
    void typedWrites_data() {
        QTest::addColumn<QString>("box");
        QTest::addColumn<int>("address");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QByteArray>("frame"); // empty: nothing is written
        QTest::newRow("SetV 25") << "SetV" << 1 << "25" << QByteArray(":0106470100FAB7\r\n");
        QTest::newRow("SetV at station address 2")
            << "SetV" << 2 << "25" << QByteArray(":0206470100FAB6\r\n");
        QTest::newRow("SetV one decimal read")
            << "SetV" << 1 << "12.34" << QByteArray(":01064701007B36\r\n");
        QTest::newRow("SetV 25.5") << "SetV" << 1 << "25.5" << QByteArray(":0106470100FFB2\r\n");
        QTest::newRow("SetV 2.55") << "SetV" << 1 << "2.55" << QByteArray(":01064701001998\r\n");
        QTest::newRow("SetV -1.5") << "SetV" << 1 << "-1.5" << QByteArray(":01064701FFF1C1\r\n");
        QTest::newRow("SetV -10.0 in two's complement")
            << "SetV" << 1 << "-10.0" << QByteArray(":01064701FF9C16\r\n");
        QTest::newRow("SetV -3276, the lowest a box takes")
            << "SetV" << 1 << "-3276" << QByteArray(":01064701800829\r\n");
        QTest::newRow("SetV empty is 0") << "SetV" << 1 << "" << QByteArray(":010647010000B1\r\n");
        QTest::newRow("SetV minus alone is 0")
            << "SetV" << 1 << "-" << QByteArray(":010647010000B1\r\n");
        QTest::newRow("KI 25") << "KI" << 1 << "25" << QByteArray(":0106470D00198C\r\n");
        QTest::newRow("KI 30") << "KI" << 1 << "30" << QByteArray(":0106470D001E87\r\n");
        QTest::newRow("KI 65535, a whole word")
            << "KI" << 1 << "65535" << QByteArray(":0106470DFFFFA7\r\n");
        QTest::newRow("KD fraction cut")
            << "KD" << 1 << "12.3" << QByteArray(":0106470E000C98\r\n");
        QTest::newRow("KD 4.9 is 4") << "KD" << 1 << "4.9" << QByteArray(":0106470E0004A0\r\n");
        QTest::newRow("TPOffs -0.5")
            << "TPOffs" << 1 << "-0.5" << QByteArray(":0106471DFFFB9B\r\n");
        QTest::newRow("DeadBand2 writes DeadBand1's register")
            << "DeadBand2" << 1 << "-1" << QByteArray(":01064712FFF6AB\r\n");
        QTest::newRow("HCPeriod1 -32768")
            << "HCPeriod1" << 1 << "-32768" << QByteArray(":0106471B800017\r\n");
        QTest::newRow("RTDOfs -5 in tenths")
            << "RTDOfs" << 1 << "-5" << QByteArray(":01064732FFCEB3\r\n");
        QTest::newRow("TCGain -5 whole")
            << "TCGain" << 1 << "-5" << QByteArray(":01064735FFFB83\r\n");
        // Shown in hundredths, typed in hundredths: what is typed comes back as it was.
        QTest::newRow("Coeff 1.20") << "Coeff" << 1 << "1.20" << QByteArray(":01064711007829\r\n");
        QTest::newRow("Coeff 1.05") << "Coeff" << 1 << "1.05" << QByteArray(":01064711006938\r\n");
        QTest::newRow("Coeff 1.2") << "Coeff" << 1 << "1.2" << QByteArray(":01064711007829\r\n");
        QTest::newRow("Coeff 2") << "Coeff" << 1 << "2" << QByteArray(":0106471100C8D9\r\n");

        for (const char* box : {"SetV", "KI"}) {
            for (const char* typed : {"1 2", "1,5", "1.", "abc", "1a", "+5", " 5 "})
                QTest::newRow(qPrintable(QStringLiteral("%1 '%2' not a number").arg(box, typed)))
                    << box << 1 << typed << QByteArray();
        }
        // Beyond a register word the value would arrive wrapped, as some other number.
        QTest::newRow("SetV 99999 is 999990 tenths") << "SetV" << 1 << "99999" << QByteArray();
        QTest::newRow("SetV 6553.6 is 65536 tenths") << "SetV" << 1 << "6553.6" << QByteArray();
        QTest::newRow("SetV 6553.5 still fits")
            << "SetV" << 1 << "6553.5" << QByteArray(":01064701FFFFB3\r\n");
        QTest::newRow("SetV -4000 would come back +2553.6")
            << "SetV" << 1 << "-4000" << QByteArray();
        QTest::newRow("SetV -3276.9") << "SetV" << 1 << "-3276.9" << QByteArray();
        QTest::newRow("KI 65536") << "KI" << 1 << "65536" << QByteArray();
        QTest::newRow("KI -32769") << "KI" << 1 << "-32769" << QByteArray();
    }
    void typedWrites() {
        QFETCH(QString, box);
        QFETCH(int, address);
        QFETCH(QString, typed);
        QFETCH(QByteArray, frame);
        const EditBoxInfo* info = FindEditBox(box);
        QVERIFY(info);
        const std::optional<QByteArray> written =
            EditBoxWrite(address, *info, typed, EditDecimals(*info, info->tenths));
        QCOMPARE(written.value_or(QByteArray()), frame);
    }

    void emptyWholeNumberIsAConversionError_data() {
        QTest::addColumn<QString>("typed");
        QTest::newRow("empty") << "";
        QTest::newRow("spaces") << "   ";
        QTest::newRow("minus") << "-";
    }
    void emptyWholeNumberIsAConversionError() {
        QFETCH(QString, typed);
        try {
            const auto frame = EditBoxWrite(1, *FindEditBox("KI"), typed, 0);
            QFAIL(qPrintable("written: " + frame.value_or("nothing")));
        } catch (const ConvertError& error) {
            QCOMPARE(error.text(), "'' is not a valid integer value");
        }
    }

    void comboWrites_data() {
        QTest::addColumn<QString>("box");
        QTest::addColumn<int>("item");
        QTest::addColumn<QByteArray>("frame");
        QTest::newRow("LockStatus Normal")
            << "LockStatus" << 0 << QByteArray(":0106471E000094\r\n");
        QTest::newRow("LockStatus Lock All")
            << "LockStatus" << 1 << QByteArray(":0106471E000193\r\n");
        QTest::newRow("LockStatus Except SV is 0x0B")
            << "LockStatus" << 2 << QByteArray(":0106471E000B89\r\n");
        QTest::newRow("InputType 0~50mV") << "InputType" << 17 << QByteArray(":01064718001189\r\n");
        QTest::newRow("OutputType1 4~20mA")
            << "OutputType1" << 2 << QByteArray(":01064730000280\r\n");
        QTest::newRow("ALM1Mode CT Alarm") << "ALM1Mode" << 13 << QByteArray(":01064720000D85\r\n");
        QTest::newRow("ComWrite Enable") << "ComWrite" << 1 << QByteArray(":0106472600018B\r\n");
        QTest::newRow("ProgDisp Time Left") << "ProgDisp" << 2 << QByteArray(":0106476200024E\r\n");
    }
    void comboWrites() {
        QFETCH(QString, box);
        QFETCH(int, item);
        QFETCH(QByteArray, frame);
        QCOMPARE(ComboBoxWrite(1, *FindComboBox(box), item), frame);
    }

    void commands_data() {
        QTest::addColumn<int>("address");
        QTest::addColumn<int>("command");
        QTest::addColumn<QByteArray>("frame");
        QTest::newRow("restore defaults") << 1 << 0x474E << QByteArray(":0106474E7E5B8B\r\n");
        QTest::newRow("clear PV adjustment") << 1 << 0x474F << QByteArray(":0106474F7E5B8A\r\n");
        QTest::newRow("at address 3") << 3 << 0x474E << QByteArray(":0306474E7E5B89\r\n");
    }
    void commands() {
        QFETCH(int, address);
        QFETCH(int, command);
        QFETCH(QByteArray, frame);
        QCOMPARE(CommandWrite(address, command), frame);
    }

    void passwordBox_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<PassCommand>("command");
        QTest::newRow("access code") << "KXQ" << PassCommand::AccessCode;
        QTest::newRow("lowercase code") << "kxq" << PassCommand::Other;
        QTest::newRow("code and more") << "KXQa" << PassCommand::Other;
        QTest::newRow("code with a space") << "KXQ " << PassCommand::Other;
        QTest::newRow("part of the code") << "KX" << PassCommand::Other;
        QTest::newRow("trace on") << "trace on" << PassCommand::TraceOn;
        QTest::newRow("trace off") << "trace off" << PassCommand::TraceOff;
        QTest::newRow("Trace on") << "Trace on" << PassCommand::Other;
        QTest::newRow("typing trace off") << "trace of" << PassCommand::Other;
        QTest::newRow("empty") << "" << PassCommand::Other;
    }
    void passwordBox() {
        QFETCH(QString, text);
        QFETCH(PassCommand, command);
        QCOMPARE(PassCommandOf(text), command);
    }
};

QTEST_GUILESS_MAIN(TestParameterEdit)
#include "tst_parameteredit.moc"
