// Start-up to the Main window on screen, against a bare Qt Widgets window, measured side by side:
// each round starts both as fresh processes and times them until their window has painted.
#include "application.h"
#include "programwindows.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QScreen>
#include <QTextStream>
#include <QWidget>

#include <algorithm>
#include <cstdio>

namespace {

// Says "ready" on the first paint of the watched window, then ends the process.
class FirstPaint : public QObject {
public:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            std::fputs("ready\n", stdout);
            std::fflush(stdout);
            QMetaObject::invokeMethod(qApp, &QCoreApplication::quit, Qt::QueuedConnection);
        }
        return QObject::eventFilter(watched, event);
    }
};

int RunBare(int argc, char** argv) {
    QApplication app(argc, argv);
    QWidget window;
    window.setWindowTitle(QStringLiteral("bare"));
    FirstPaint watcher;
    window.installEventFilter(&watcher);
    window.setGeometry(window.screen()->availableGeometry());
    window.showMaximized();
    return QApplication::exec();
}

int RunProgram(int argc, char** argv) {
    vrx::Application app(argc, argv);
    // As the program starts: the other windows are made once the Main window has been painted.
    const auto forms = vrx::StartForms();
    FirstPaint watcher;
    forms->VRW0->installEventFilter(&watcher);
    return QApplication::exec();
}

double TimeChild(const QString& self, const QString& mode) {
    QProcess child;
    QElapsedTimer clock;
    clock.start();
    child.start(self, {mode});
    if (!child.waitForStarted(10000)) return -1;
    while (!child.canReadLine()) {
        if (!child.waitForReadyRead(20000)) return -1;
    }
    const double ms = double(clock.nsecsElapsed()) / 1e6;
    child.waitForFinished(10000);
    return ms;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int main(int argc, char** argv) {
    if (argc > 1 && QByteArray(argv[1]) == "bare") return RunBare(argc, argv);
    if (argc > 1 && QByteArray(argv[1]) == "program") return RunProgram(argc, argv);

    QCoreApplication app(argc, argv);
    const int rounds = argc > 1 ? QByteArray(argv[1]).toInt() : 15;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    const QString self = QCoreApplication::applicationFilePath();
    std::vector<double> bare, program;
    // Alternate, so that a busy moment of the machine hits both alike.
    TimeChild(self, QStringLiteral("bare")); // warm the file cache
    TimeChild(self, QStringLiteral("program"));
    for (int i = 0; i < rounds; ++i) {
        bare.push_back(TimeChild(self, QStringLiteral("bare")));
        program.push_back(TimeChild(self, QStringLiteral("program")));
    }
    QTextStream out(stdout);
    out << "platform: " << qEnvironmentVariable("QT_QPA_PLATFORM", QStringLiteral("xcb")) << "\n"
        << "rounds: " << rounds << "\n"
        << QString::asprintf("bare Qt Widgets window: median %.1f ms, best %.1f ms\n", Median(bare),
                             *std::min_element(bare.begin(), bare.end()))
        << QString::asprintf("VRX program Main window: median %.1f ms, best %.1f ms\n",
                             Median(program), *std::min_element(program.begin(), program.end()))
        << QString::asprintf("ratio of medians: %.2f\n", Median(program) / Median(bare));
    return 0;
}
