// Every text of every window readable under the desktop's palette, dark or light: each label, edit,
// button, list, group title and table cell a window shows keeps a contrast of 4.5 against what
// it is painted on. The palettes' own pairs are all readable, so a failure is a colour the
// program forces without its partner.
#include "colours.h"
#include "testmain.h"
#include "windowtour.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QGroupBox>
#include <QTableWidget>

using namespace vrx;
using vrx::test::Tour;

namespace {

// A dark desktop palette, as dark themes have it; its disabled texts are still readable.
QPalette Dark() {
    QPalette p;
    const auto both = [&p](QPalette::ColorRole role, const QColor& colour, const QColor& disabled) {
        p.setColor(QPalette::Active, role, colour);
        p.setColor(QPalette::Inactive, role, colour);
        p.setColor(QPalette::Disabled, role, disabled);
    };
    const QColor white(Qt::white), grey(0xa0, 0xa0, 0xa0);
    both(QPalette::Window, QColor(0x35, 0x35, 0x35), QColor(0x35, 0x35, 0x35));
    both(QPalette::WindowText, white, grey);
    both(QPalette::Base, QColor(0x23, 0x23, 0x23), QColor(0x2b, 0x2b, 0x2b));
    both(QPalette::AlternateBase, QColor(0x35, 0x35, 0x35), QColor(0x35, 0x35, 0x35));
    both(QPalette::Text, white, grey);
    both(QPalette::PlaceholderText, grey, grey);
    both(QPalette::Button, QColor(0x35, 0x35, 0x35), QColor(0x35, 0x35, 0x35));
    both(QPalette::ButtonText, white, grey);
    both(QPalette::Highlight, QColor(0x1d, 0x54, 0x8f), QColor(0x35, 0x35, 0x35));
    both(QPalette::HighlightedText, white, grey);
    both(QPalette::ToolTipBase, QColor(0x35, 0x35, 0x35), QColor(0x35, 0x35, 0x35));
    both(QPalette::ToolTipText, white, grey);
    both(QPalette::Light, QColor(0x50, 0x50, 0x50), QColor(0x50, 0x50, 0x50));
    both(QPalette::Midlight, QColor(0x42, 0x42, 0x42), QColor(0x42, 0x42, 0x42));
    both(QPalette::Mid, QColor(0x28, 0x28, 0x28), QColor(0x28, 0x28, 0x28));
    both(QPalette::Dark, QColor(0x1a, 0x1a, 0x1a), QColor(0x1a, 0x1a, 0x1a));
    both(QPalette::Shadow, Qt::black, Qt::black);
    return p;
}

// A light one, with dark disabled texts.
QPalette Light() {
    QPalette p(QColor(0xef, 0xef, 0xef), QColor(0xef, 0xef, 0xef));
    for (const QPalette::ColorRole role :
         {QPalette::WindowText, QPalette::Text, QPalette::ButtonText}) {
        p.setColor(QPalette::Active, role, Qt::black);
        p.setColor(QPalette::Inactive, role, Qt::black);
        p.setColor(QPalette::Disabled, role, QColor(0x59, 0x59, 0x59));
    }
    p.setColor(QPalette::Base, Qt::white);
    return p;
}

// The colour a widget is painted on: its own background where it paints one, else that of the
// nearest parent that does.
QColor Behind(const QWidget* w, QPalette::ColorGroup group) {
    for (const QWidget* p = w; p; p = p->parentWidget())
        if (p->autoFillBackground() || p->isWindow())
            return p->palette().color(group, p->backgroundRole());
    return {};
}

struct ShownText {
    QString where;
    QString text;
    QColor colour;
    QColor background;
};

// Every text the window shows, with its colour and the colour under it, as the style paints them.
QList<ShownText> TextsOf(QWidget* window) {
    QList<ShownText> texts;
    for (QWidget* w : window->findChildren<QWidget*>()) {
        if (w->isWindow() || !w->isVisibleTo(window)) continue;
        const QPalette::ColorGroup group = w->isEnabled() ? QPalette::Active : QPalette::Disabled;
        const QPalette& p = w->palette();
        const QString where = w->objectName().isEmpty()
                                  ? w->parentWidget()->objectName() + u'/' +
                                        QString::fromLatin1(w->metaObject()->className())
                                  : w->objectName();
        if (auto* label = qobject_cast<QLabel*>(w)) {
            if (!label->text().isEmpty())
                texts.append(
                    {where, label->text(), p.color(group, w->foregroundRole()), Behind(w, group)});
        } else if (auto* edit = qobject_cast<QLineEdit*>(w)) {
            if (!edit->displayText().isEmpty())
                texts.append({where, edit->displayText(), p.color(group, QPalette::Text),
                              p.color(group, QPalette::Base)});
        } else if (auto* button = qobject_cast<QAbstractButton*>(w)) {
            // A disabled button is not there to be read; the desktop itself fades it.
            if (button->text().isEmpty() || !button->isEnabled()) continue;
            if (qobject_cast<QPushButton*>(w))
                texts.append({where, button->text(), p.color(group, QPalette::ButtonText),
                              p.color(group, QPalette::Button)});
            else
                texts.append({where, button->text(), p.color(group, QPalette::WindowText),
                              Behind(w, group)});
        } else if (auto* combo = qobject_cast<QComboBox*>(w)) {
            if (!combo->isEditable() && !combo->currentText().isEmpty() && combo->isEnabled())
                texts.append({where, combo->currentText(), p.color(group, QPalette::ButtonText),
                              p.color(group, QPalette::Button)});
        } else if (auto* box = qobject_cast<QGroupBox*>(w)) {
            if (!box->title().isEmpty())
                texts.append(
                    {where, box->title(), p.color(group, QPalette::WindowText), Behind(w, group)});
        } else if (auto* table = qobject_cast<QTableWidget*>(w)) {
            for (int r = 0; r < table->rowCount(); ++r) {
                for (int c = 0; c < table->columnCount(); ++c) {
                    const QTableWidgetItem* item = table->item(r, c);
                    if (!item || item->text().isEmpty() || item->isSelected()) continue;
                    const QBrush fore = item->foreground();
                    const QBrush back = item->background();
                    texts.append({QStringLiteral("%1[%2,%3]").arg(where).arg(r).arg(c),
                                  item->text(),
                                  fore.style() == Qt::NoBrush ? p.color(group, QPalette::Text)
                                                              : fore.color(),
                                  back.style() == Qt::NoBrush ? p.color(group, QPalette::Base)
                                                              : back.color()});
                }
            }
        }
    }
    return texts;
}

} // namespace

Q_DECLARE_METATYPE(QPalette)

class TestReadability : public QObject {
    Q_OBJECT

    QPalette desktop_;

private slots:
    void initTestCase() { desktop_ = QApplication::palette(); }
    void cleanup() { QApplication::setPalette(desktop_); }

    void everyTextIsReadable_data() {
        QTest::addColumn<QPalette>("palette");
        QTest::addColumn<QString>("stop");
        for (const QString& stop : vrx::test::TourStops()) {
            QTest::addRow("dark: %s", qPrintable(stop)) << Dark() << stop;
            QTest::addRow("light: %s", qPrintable(stop)) << Light() << stop;
        }
    }
    void everyTextIsReadable() {
        QFETCH(QPalette, palette);
        QFETCH(QString, stop);
        // The desktop's palette is in place before any window is built, as at start-up.
        QApplication::setPalette(palette);
        Tour tour;
        QWidget* window = tour.Visit(stop);
        QVERIFY2(window, "the stop was not reached");
        const QList<ShownText> texts = TextsOf(window);
        QVERIFY(!texts.isEmpty());
        QStringList faint;
        for (const ShownText& t : texts) {
            QVERIFY2(t.colour.isValid() && t.background.isValid(), qPrintable(t.where));
            const double contrast = ContrastRatio(t.colour, t.background);
            if (contrast < ReadableContrast)
                faint << QStringLiteral("%1 \"%2\" %3 on %4 (%5)")
                             .arg(t.where, t.text.left(20), t.colour.name(), t.background.name())
                             .arg(contrast, 0, 'f', 2);
        }
        QVERIFY2(faint.isEmpty(), qPrintable(faint.join(QStringLiteral("; "))));
    }

    // The measure itself, on pairs whose ratios are known.
    void contrastRatio_data() {
        QTest::addColumn<QColor>("a");
        QTest::addColumn<QColor>("b");
        QTest::addColumn<double>("ratio");
        QTest::newRow("black on white") << QColor(Qt::black) << QColor(Qt::white) << 21.0;
        QTest::newRow("the same") << QColor(0x35, 0x35, 0x35) << QColor(0x35, 0x35, 0x35) << 1.0;
        QTest::newRow("navy on white") << QColor(0, 0, 128) << QColor(Qt::white) << 16.01;
        // The sRGB curve's knee: mid grey is a fifth of white's light, not half.
        QTest::newRow("grey on white") << QColor(128, 128, 128) << QColor(Qt::white) << 3.95;
        QTest::newRow("white on teal") << QColor(Qt::white) << QColor(0, 128, 128) << 4.77;
        QTest::newRow("black on red") << QColor(Qt::black) << QColor(255, 0, 0) << 5.25;
        QTest::newRow("green on black") << QColor(0, 128, 0) << QColor(Qt::black) << 4.09;
    }
    void contrastRatio() {
        QFETCH(QColor, a);
        QFETCH(QColor, b);
        QFETCH(double, ratio);
        QVERIFY2(qAbs(ContrastRatio(a, b) - ratio) < 0.01,
                 qPrintable(QString::number(ContrastRatio(a, b))));
        QCOMPARE(ContrastRatio(a, b), ContrastRatio(b, a));
    }

    void textColourOn_data() {
        QTest::addColumn<QColor>("background");
        QTest::addColumn<QColor>("text");
        QTest::newRow("navy") << QColor(0, 0, 128) << QColor(Qt::white);
        QTest::newRow("teal") << QColor(0, 128, 128) << QColor(Qt::white);
        QTest::newRow("grey") << QColor(128, 128, 128) << QColor(Qt::black);
        QTest::newRow("red") << QColor(255, 0, 0) << QColor(Qt::black);
        QTest::newRow("olive") << QColor(128, 128, 0) << QColor(Qt::black);
        QTest::newRow("green") << QColor(0, 128, 0) << QColor(Qt::white);
        QTest::newRow("lime") << QColor(0, 255, 0) << QColor(Qt::black);
    }
    void textColourOn() {
        QFETCH(QColor, background);
        QFETCH(QColor, text);
        QCOMPARE(TextColourOn(background), text);
    }
};

VRX_TEST_MAIN(TestReadability)
#include "tst_readability.moc"
