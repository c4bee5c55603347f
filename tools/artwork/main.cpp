// vrx-artwork: renders the program's pictures and icons, and its icon for desktop menus, into a
// directory (usually assets/).
#include "icons.h"
#include "pictures.h"

#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QStringList>
#include <QTextStream>

#include <functional>
#include <utility>
#include <vector>

namespace {

bool Save(const QImage& image, const QString& path, const char* format, int quality) {
    QTextStream out(stdout);
    if (!image.save(path, format, quality)) {
        QTextStream(stderr) << "vrx-artwork: cannot write " << path << "\n";
        return false;
    }
    out << path << "  " << image.width() << " x " << image.height() << "\n";
    return true;
}

} // namespace

int main(int argc, char** argv) {
    // Fonts need a GUI application but nothing here needs a screen; the offscreen platform
    // lets the tool run on a build machine without a display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);

    const QStringList args = app.arguments();
    if (args.size() != 2) {
        QTextStream(stderr) << "usage: vrx-artwork <output directory>   (e.g. assets/)\n";
        return 2;
    }
    const QDir out(args[1]);
    // The program's icon for desktop menus, in the icon theme's layout so that it installs as
    // a folder: the sizes that menus, panels, launchers and file managers ask for.
    const std::vector<int> themeSizes{16, 22, 24, 32, 48, 64, 128, 256};
    QStringList folders{"icons"};
    for (const int size : themeSizes)
        folders << QStringLiteral("hicolor/%1x%1/apps").arg(size);
    for (const QString& folder : folders) {
        if (!out.mkpath(folder)) {
            QTextStream(stderr) << "vrx-artwork: cannot create " << out.filePath(folder) << "\n";
            return 1;
        }
    }

    // JPEG at quality 90: flat colours keep their edges without visible ringing.
    const std::vector<std::pair<QString, std::function<QImage()>>> pictures{
        {"main.jpg", artwork::MainPicture},
        {"tester.jpg", artwork::TesterPicture},
        {"logo.jpg", artwork::LogoPicture},
        {"front.jpg", artwork::FrontPicture},
    };
    bool ok = true;
    for (const auto& [name, render] : pictures)
        ok = Save(render(), out.filePath(name), "JPG", 90) && ok;

    // Icons at 32 pixels, and at 64 under the "@2x" name that QIcon picks up by itself on
    // high-density screens.
    for (const artwork::Icon& icon : artwork::Icons()) {
        ok = Save(icon.render(32), out.filePath("icons/" + icon.name + ".png"), "PNG", -1) && ok;
        ok = Save(icon.render(64), out.filePath("icons/" + icon.name + "@2x.png"), "PNG", -1) && ok;
    }
    for (const int size : themeSizes) {
        const QString path = QStringLiteral("hicolor/%1x%1/apps/vrxcom.png").arg(size);
        ok = Save(artwork::ProgramIcon(size), out.filePath(path), "PNG", -1) && ok;
    }
    return ok ? 0 : 1;
}
