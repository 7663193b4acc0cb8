// Starts the real loftwell executable on an X display (run under xvfb-run),
// takes a screenshot once its window is up, saves it, and checks that the
// window shows whole (at 1200 x 820 where the screen holds that, else
// smaller but with its bottom bar and Transfer button on screen) with the
// toolbar in the window colour, in English and in Chinese.
//   window_screenshot LOFTWELL OUTPUT_DIR

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QProcess>
#include <QScreen>
#include <QThread>

#include <algorithm>
#include <cstdio>

namespace {

// The bounding box of everything that is not the empty (black) screen.
QRect windowArea(const QImage& screen)
{
    QRect box;
    for (int y = 0; y < screen.height(); y += 1) {
        const QRgb* line = reinterpret_cast<const QRgb*>(screen.constScanLine(y));
        for (int x = 0; x < screen.width(); ++x) {
            if ((line[x] & 0xFFFFFF) != 0)
                box |= QRect(x, y, 1, 1);
        }
    }
    return box;
}

bool check(const QString& loftwell, const QString& output, const QString& language, const QString& name)
{
    QProcess app;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    environment.insert(QStringLiteral("LANGUAGE"), language);
    environment.insert(QStringLiteral("QT_SCALE_FACTOR"), QStringLiteral("1"));
    app.setProcessEnvironment(environment);
    app.start(loftwell, {});
    QImage shot;
    QRect area;
    QElapsedTimer waited;
    waited.start();
    // Wait for the window to be mapped and painted (with a margin for a slow machine).
    while (waited.elapsed() < 20'000) {
        QThread::msleep(300);
        shot = QGuiApplication::primaryScreen()->grabWindow(0).toImage().convertToFormat(QImage::Format_RGB32);
        area = windowArea(shot);
        if (area.width() >= 1200 && area.height() >= std::min(820, shot.height() - 40)) {
            QThread::msleep(500); // let it finish painting
            shot = QGuiApplication::primaryScreen()->grabWindow(0).toImage().convertToFormat(QImage::Format_RGB32);
            area = windowArea(shot);
            break;
        }
    }
    // A clean quit: the termination signal ends the event loop, exit status 0.
    app.terminate();
    const bool quit = app.waitForFinished(10'000) && app.exitStatus() == QProcess::NormalExit && app.exitCode() == 0;
    if (!quit)
        app.kill();
    const QString file = output + QStringLiteral("/window-") + name + QStringLiteral(".png");
    shot.copy(area).save(file);
    const QColor toolbar = area.isValid() ? shot.pixelColor(area.left() + area.width() / 2, area.top() + 20) : QColor();
    // Where the screen is big enough, the full size; elsewhere at least the
    // minimum with the bottom bar's Transfer button (emerald) at the bottom of
    // what shows: a window taller than the screen would show content there.
    const bool roomy = shot.height() >= 900;
    const QColor transfer = area.isValid() ? shot.pixelColor(area.right() - 24 - 6, area.bottom() - 38) : QColor();
    const bool sized = roomy ? area.size() == QSize(1200, 820)
                             : area.width() == 1200 && area.height() >= 680 && transfer == QColor(16, 185, 129);
    const bool good = sized && toolbar == QColor(249, 250, 251) && quit;
    std::printf("%s: window %dx%d, toolbar rgb(%d,%d,%d), clean quit %s, screenshot %s: %s\n", qPrintable(name),
                area.width(), area.height(), toolbar.red(), toolbar.green(), toolbar.blue(), quit ? "yes" : "no",
                qPrintable(file), good ? "ok" : "FAILED");
    return good;
}

} // namespace

int main(int argc, char* argv[])
{
    QGuiApplication application(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: window_screenshot LOFTWELL OUTPUT_DIR\n");
        return 2;
    }
    const QString loftwell = QString::fromLocal8Bit(argv[1]);
    const QString output = QString::fromLocal8Bit(argv[2]);
    const bool english = check(loftwell, output, QStringLiteral("en_US"), QStringLiteral("english"));
    const bool chinese = check(loftwell, output, QStringLiteral("zh_CN"), QStringLiteral("chinese"));
    return english && chinese ? 0 : 1;
}
