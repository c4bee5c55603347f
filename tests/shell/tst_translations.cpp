// The program in Traditional Chinese and in English: the translation source is complete and keeps
// each text's form, the language follows the locale, and every window fits a 1024x768 screen in
// both languages.
#include "monitorreply.h"
#include "programwindows.h"
#include "scripteddialogs.h"
#include "testmain.h"

#include <QAbstractButton>
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QGroupBox>
#include <QKeySequence>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QScreen>
#include <QTest>
#include <QTranslator>
#include <QXmlStreamReader>

#include <map>
#include <vector>

using namespace vrx;

namespace {

struct TsMessage {
    QString context;
    QString source;
    QString translation;
    QString type; // the translation's type attribute: empty for a finished one
};

std::vector<TsMessage> ReadTs(const QString& path, QString* error) {
    std::vector<TsMessage> messages;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = file.errorString();
        return messages;
    }
    QXmlStreamReader xml(&file);
    QString context;
    TsMessage message;
    // A text with a count (%n) has its forms inside the translation; Chinese has one.
    bool numerus = false;
    while (!xml.atEnd()) {
        xml.readNext();
        if (!xml.isStartElement()) continue;
        if (xml.name() == u"name") {
            context = xml.readElementText();
        } else if (xml.name() == u"message") {
            message = TsMessage{context, {}, {}, {}};
            numerus = xml.attributes().value(QLatin1String("numerus")) == u"yes";
        } else if (xml.name() == u"source") {
            message.source = xml.readElementText();
        } else if (xml.name() == u"translation") {
            message.type = xml.attributes().value(QLatin1String("type")).toString();
            message.translation =
                numerus ? xml.readElementText(QXmlStreamReader::IncludeChildElements).trimmed()
                        : xml.readElementText();
            messages.push_back(message);
        }
    }
    if (xml.hasError()) *error = xml.errorString();
    return messages;
}

QStringList Placeholders(const QString& text) {
    QStringList found;
    static const QRegularExpression placeholder(QStringLiteral("%\\d+"));
    for (const auto& match : placeholder.globalMatch(text))
        found << match.captured();
    found.sort();
    return found;
}

QString LeadingSpace(const QString& text) {
    static const QRegularExpression space(QStringLiteral("^\\s*"));
    return space.match(text).captured();
}

QString TrailingSpace(const QString& text) {
    static const QRegularExpression space(QStringLiteral("\\s*$"));
    return space.match(text).captured();
}

// Takes back the translations InstallTranslation put in place: the next case starts in English.
void RemoveTranslations() {
    for (QTranslator* translator : qApp->findChildren<QTranslator*>()) {
        QCoreApplication::removeTranslator(translator);
        delete translator;
    }
}

QList<QWidget*> Windows(const Forms& forms) {
    return {forms.VRW0.get(), forms.VRW1.get(), forms.VRW2.get(),
            forms.VRW4.get(), forms.VRW3.get(), forms.VRX5.get()};
}

// A widget's place in its window, the same in every language: its name and its parents', an
// unnamed one counted among its unnamed siblings of its class.
QString PathIn(const QWidget* window, const QObject* widget) {
    QString path;
    for (const QObject* o = widget; o && o != window; o = o->parent()) {
        QString step = o->objectName();
        if (step.isEmpty()) {
            int index = 0;
            for (const QObject* sibling : o->parent()->children()) {
                if (sibling == o) break;
                if (sibling->objectName().isEmpty() && sibling->metaObject() == o->metaObject())
                    ++index;
            }
            step =
                QStringLiteral("%1#%2").arg(QLatin1String(o->metaObject()->className())).arg(index);
        }
        path.prepend(u'/' + step);
    }
    return window->objectName() + path;
}

// Each window drawn once, as when it is first shown: styled, with its fonts and sizes final.
void Render(const Forms& forms) {
    for (QWidget* window : Windows(forms))
        window->grab();
}

// The texts a window shows on one line, each with whether it has the room it needs.
std::map<QString, bool> CaptionRoom(const Forms& forms) {
    std::map<QString, bool> room;
    for (QWidget* window : Windows(forms)) {
        for (QWidget* w : window->findChildren<QWidget*>()) {
            const QString path = PathIn(window, w);
            const QFontMetrics metrics = w->fontMetrics();
            if (auto* label = qobject_cast<QLabel*>(w)) {
                if (label->text().isEmpty() || label->wordWrap()) continue;
                room[path] = metrics.horizontalAdvance(label->text()) <=
                             label->contentsRect().width() - 2 * label->margin();
            } else if (qobject_cast<QCheckBox*>(w) || qobject_cast<QRadioButton*>(w)) {
                auto* button = static_cast<QAbstractButton*>(w);
                if (button->text().isEmpty()) continue;
                room[path] = button->sizeHint().width() <= button->width();
            } else if (auto* button = qobject_cast<QPushButton*>(w)) {
                if (button->text().isEmpty()) continue;
                room[path] = metrics.horizontalAdvance(button->text()) <= button->width() - 6;
            } else if (auto* box = qobject_cast<QGroupBox*>(w)) {
                if (box->title().isEmpty()) continue;
                room[path] = metrics.horizontalAdvance(box->title()) <= box->width() - 12;
            } else if (auto* combo = qobject_cast<QComboBox*>(w)) {
                // The list drops down as wide as it needs; the closed box shows the chosen item.
                const int shown = combo->width() - combo->height();
                for (int i = 0; i < combo->count(); ++i)
                    room[path + QStringLiteral("[%1]").arg(i)] =
                        metrics.horizontalAdvance(combo->itemText(i)) <= shown;
            }
        }
    }
    return room;
}

QString ShownText(QWidget* w, int item) {
    if (auto* combo = qobject_cast<QComboBox*>(w)) return combo->itemText(item);
    if (auto* label = qobject_cast<QLabel*>(w)) return label->text();
    if (auto* button = qobject_cast<QAbstractButton*>(w))
        return button->text().isEmpty() ? button->toolTip() : button->text();
    if (auto* box = qobject_cast<QGroupBox*>(w)) return box->title();
    if (w->isWindow()) return w->windowTitle();
    return w->toolTip();
}

} // namespace

class TestTranslations : public QObject {
    Q_OBJECT

    std::vector<TsMessage> messages_;
    // The captions' room in English, the layout's own language.
    std::map<QString, bool> englishRoom_;

    bool FullScreen() const {
        return QGuiApplication::primaryScreen()->geometry().size() == QSize(1024, 768);
    }

private slots:
    void initTestCase() {
        QString error;
        messages_ = ReadTs(QStringLiteral(TRANSLATION_SOURCE), &error);
        QVERIFY2(error.isEmpty(), qPrintable(error));
        QVERIFY(!messages_.empty());
        if (FullScreen()) {
            test::ScriptedDialogs dialogs;
            const auto forms = CreateForms();
            Render(*forms);
            englishRoom_ = CaptionRoom(*forms);
        }
    }

    void cleanup() { RemoveTranslations(); }

    // lupdate marks a text that is new and not yet translated "unfinished", and one that has
    // left the sources "vanished" or "obsolete": the first would show in English, the second
    // means the .ts was not brought in step with the sources.
    void everyTextIsTranslated_data() {
        QTest::addColumn<QString>("source");
        QTest::addColumn<QString>("translation");
        QTest::addColumn<QString>("type");
        for (const TsMessage& m : messages_)
            QTest::addRow("%s: %s", qPrintable(m.context), qPrintable(m.source))
                << m.source << m.translation << m.type;
    }
    void everyTextIsTranslated() {
        QFETCH(QString, source);
        QFETCH(QString, translation);
        QFETCH(QString, type);
        QCOMPARE(type, QString());
        QVERIFY(!translation.trimmed().isEmpty());
        // The arguments filled in, the spaces a text is joined by and its line breaks.
        QCOMPARE(Placeholders(translation), Placeholders(source));
        QCOMPARE(LeadingSpace(translation), LeadingSpace(source));
        QCOMPARE(TrailingSpace(translation), TrailingSpace(source));
        QCOMPARE(translation.count(u'\n'), source.count(u'\n'));
        // Chinese wherever the English has words; codes and units may stay as they are.
        if (source.contains(QRegularExpression(QStringLiteral("[a-z]{3,}"))))
            QVERIFY2(
                translation.contains(QRegularExpression(QStringLiteral("[\\x{4e00}-\\x{9fff}]"))),
                qPrintable(translation));
    }

    void languageFollowsLocale_data() {
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<bool>("translated");
        QTest::newRow("C") << QLocale::c() << false;
        QTest::newRow("en_US") << QLocale(QStringLiteral("en_US")) << false;
        QTest::newRow("zh_TW") << QLocale(QStringLiteral("zh_TW")) << true;
        QTest::newRow("zh_Hant") << QLocale(QLocale::Chinese, QLocale::TraditionalChineseScript)
                                 << true;
        QTest::newRow("zh_HK") << QLocale(QStringLiteral("zh_HK")) << true;
        // Simplified Chinese readers get the English texts rather than the other script.
        QTest::newRow("zh_CN") << QLocale(QStringLiteral("zh_CN")) << false;
    }
    void languageFollowsLocale() {
        QFETCH(QLocale, locale);
        QFETCH(bool, translated);
        QCOMPARE(InstallTranslation(locale), translated);
        QCOMPARE(QCoreApplication::translate("vrx::TVRW0", "VRX COMMUNICATION PROGRAM"),
                 translated ? QStringLiteral("VRX 通訊程式")
                            : QStringLiteral("VRX COMMUNICATION PROGRAM"));
        // A message made by the core, away from any window.
        QCOMPARE(ResultText(ResultTimeOut),
                 translated ? QStringLiteral("逾時") : QStringLiteral("Time out"));
    }

    // A few captions of each window, as the program shows them in each language.
    void captionsInEachLanguage_data() {
        QTest::addColumn<bool>("chinese");
        QTest::addColumn<QString>("window");
        QTest::addColumn<QString>("widget"); // empty: the window's title
        QTest::addColumn<int>("item");       // of a combo box
        QTest::addColumn<QString>("text");
        const auto both = [](const char* name, const char* window, const char* widget, int item,
                             const QString& english, const QString& chinese) {
            QTest::addRow("%s C", name) << false << window << widget << item << english;
            QTest::addRow("%s zh_TW", name) << true << window << widget << item << chinese;
        };
        both("main title", "VRW0", "", 0, "VRX COMMUNICATION PROGRAM", "VRX 通訊程式");
        both("main hint", "VRW0", "ToolButton3", 0, "Execute VRX Monitor Program",
             "執行 VRX 監控程式");
        both("tester command", "VRW0", "SCmdBox", 0, "Read Register", "讀取暫存器");
        both("protocol heading", "VRW1", "ComSetLB", 0, "COM PORT SETTING", "通訊埠設定");
        both("monitor connect", "VRW2", "RunBt1", 0, "Connect", "連線");
        both("monitor proportional band", "VRW2", "KPLB", 0, "Pb", "比例帶");
        both("monitor control method", "VRW2", "CtrlSet", 3, "Ramp Soak", "斜率/持溫");
        both("monitor alarm box", "VRW2", "AlmBox", 0, "Alarm", "警報");
        both("about version", "VRW4", "AboutLb2", 0, "Communication Program", "通訊程式");
        both("recorder title", "VRW3", "", 0, "VRX Temperature Recoder Program",
             "VRX 溫度記錄程式");
        both("recorder start", "VRW3", "StartBt", 0, "START", "開始");
        both("editor read", "VRX5", "ReadSBt", 0, "Read Setting", "讀取設定");
        both("editor link", "VRX5", "StepLink", 8, "Prog End", "程式結束");
    }
    void captionsInEachLanguage() {
        QFETCH(bool, chinese);
        QFETCH(QString, window);
        QFETCH(QString, widget);
        QFETCH(int, item);
        QFETCH(QString, text);
        if (chinese) QVERIFY(InstallTranslation(QLocale(QStringLiteral("zh_TW"))));
        test::ScriptedDialogs dialogs;
        const auto forms = CreateForms();
        QWidget* shown = nullptr;
        for (QWidget* w : Windows(*forms))
            if (w->objectName() == window) shown = w;
        QVERIFY(shown);
        if (!widget.isEmpty()) shown = shown->findChild<QWidget*>(widget);
        QVERIFY(shown);
        QCOMPARE(ShownText(shown, item), text);
    }

    // The Main window's Alt keys are the English captions' first letters in every language:
    // a Chinese caption cannot be typed after Alt.
    void mainMenuKeepsItsKeys_data() {
        QTest::addColumn<bool>("chinese");
        QTest::newRow("C") << false;
        QTest::newRow("zh_TW") << true;
    }
    void mainMenuKeepsItsKeys() {
        QFETCH(bool, chinese);
        if (chinese) QVERIFY(InstallTranslation(QLocale(QStringLiteral("zh_TW"))));
        test::ScriptedDialogs dialogs;
        const auto forms = CreateForms();
        QWidget* main = nullptr;
        for (QWidget* w : Windows(*forms))
            if (w->objectName() == QLatin1String("VRW0")) main = w;
        QVERIFY(main);
        const std::map<QString, char> keys{
            {"PROTOCOL1", 'P'}, {"FUNCTION1Action", 'C'}, {"MONITOR1", 'M'}, {"RECODER1", 'R'},
            {"ESTER1", 'T'},    {"EXIT1", 'E'},           {"ABOUT1", 'A'}};
        for (const auto& [name, key] : keys) {
            const auto* action = main->findChild<QAction*>(name);
            QVERIFY2(action, qPrintable(name));
            QCOMPARE(QKeySequence::mnemonic(action->text()),
                     QKeySequence(Qt::ALT | Qt::Key(Qt::Key_A + (key - 'A'))));
            QCOMPARE(action->text().contains(
                         QRegularExpression(QStringLiteral("[\\x{4e00}-\\x{9fff}]"))),
                     chinese);
        }
    }

    void windowsFitTheScreen_data() {
        QTest::addColumn<bool>("chinese");
        QTest::newRow("C") << false;
        QTest::newRow("zh_TW") << true;
    }
    void windowsFitTheScreen() {
        QFETCH(bool, chinese);
        if (!FullScreen()) QSKIP("needs the 1024x768 offscreen screen that CTest sets up");
        if (chinese) QVERIFY(InstallTranslation(QLocale(QStringLiteral("zh_TW"))));
        test::ScriptedDialogs dialogs;
        const auto forms = CreateForms();
        Render(*forms);
        const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
        for (QWidget* window : Windows(*forms)) {
            QVERIFY2(window->width() <= screen.width() && window->height() <= screen.height(),
                     qPrintable(window->objectName()));
            for (QWidget* w : window->findChildren<QWidget*>()) {
                if (!w->isVisibleTo(window) || w->isWindow()) continue;
                const QRect place(w->mapTo(window, QPoint(0, 0)), w->size());
                QVERIFY2(window->rect().contains(place),
                         qPrintable(PathIn(window, w) + QStringLiteral(" lies outside")));
            }
        }
        // A text that has its room in English has it in Chinese too.
        for (const auto& [path, fits] : CaptionRoom(*forms)) {
            const auto english = englishRoom_.find(path);
            QVERIFY2(english != englishRoom_.end(), qPrintable(path));
            if (english->second) QVERIFY2(fits, qPrintable(path + QStringLiteral(" is cut off")));
        }
    }
};

VRX_TEST_MAIN(TestTranslations)
#include "tst_translations.moc"
