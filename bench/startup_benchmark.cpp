// Start-up benchmark: from process start to the window's first paint on a
// real X server (run under xvfb-run), for loftwell and, as the reference, a
// minimal Qt window of the same size in the same run.
//
//   xvfb-run -a -s "-screen 0 1600x1000x24" build/bench/startup_benchmark build/src/loftwell [RUNS] [OTHER]
//
// OTHER, another build of loftwell (say, last commit's), runs in the same
// rounds, so a change can be judged on this noisy a machine.
// The screen is sampled every few milliseconds; the time reported is when
// the window's toolbar colour first appears (for the reference, its fill).
// A second reference, the same window with one line of text, shows what
// loading the desktop's fonts costs any window that shows a word.

#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QLabel>
#include <QPixmap>
#include <QProcess>
#include <QScreen>
#include <QThread>
#include <QWidget>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

// Samples a strip of the screen's middle until `colour` shows up.
double timeToColour(const QString& program, const QStringList& arguments, QRgb colour)
{
    QScreen* screen = QGuiApplication::primaryScreen();
    const QRect probe(screen->geometry().center().x() - 100, screen->geometry().center().y() - 420, 200, 120);
    QProcess process;
    QElapsedTimer timer;
    timer.start();
    process.start(program, arguments);
    double seen = -1;
    while (timer.elapsed() < 15'000) {
        const QImage shot = screen->grabWindow(0, probe.x(), probe.y(), probe.width(), probe.height()).toImage();
        bool found = false;
        for (int y = 0; y < shot.height() && !found; y += 4)
            for (int x = 0; x < shot.width() && !found; x += 4)
                found = (shot.pixel(x, y) & 0xFFFFFF) == (colour & 0xFFFFFF);
        if (found) {
            seen = timer.nsecsElapsed() / 1e6;
            break;
        }
        QThread::msleep(2);
    }
    process.terminate();
    process.waitForFinished(5000);
    return seen;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int main(int argc, char* argv[])
{
    // The reference window: the same size, one fill, nothing else (or one
    // line of text in the desktop's font).
    const bool withText = argc == 2 && std::strcmp(argv[1], "--reference-window-with-text") == 0;
    if (withText || (argc == 2 && std::strcmp(argv[1], "--reference-window") == 0)) {
        QApplication application(argc, argv);
        QWidget window;
        QPalette palette;
        palette.setColor(QPalette::Window, QColor(249, 250, 251));
        window.setPalette(palette);
        window.setAutoFillBackground(true);
        window.resize(1200, 820);
        if (withText) {
            auto* label = new QLabel(QStringLiteral("Loftwell"), &window);
            label->move(24, 24);
        }
        window.show();
        return application.exec();
    }
    QApplication application(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: startup_benchmark LOFTWELL [RUNS] [OTHER]\n");
        return 2;
    }
    const QString loftwell = QString::fromLocal8Bit(argv[1]);
    const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 7;
    const QString other = argc > 3 ? QString::fromLocal8Bit(argv[3]) : QString();
    const QString self = QCoreApplication::applicationFilePath();
    std::vector<double> ours, others, reference, text;
    std::vector<double> ratios, otherRatios, textRatios;
    for (int run = 0; run < runs; ++run) {
        ours.push_back(timeToColour(loftwell, {}, qRgb(249, 250, 251)));
        if (!other.isEmpty())
            others.push_back(timeToColour(other, {}, qRgb(249, 250, 251)));
        reference.push_back(timeToColour(self, {QStringLiteral("--reference-window")}, qRgb(249, 250, 251)));
        text.push_back(timeToColour(self, {QStringLiteral("--reference-window-with-text")}, qRgb(249, 250, 251)));
        ratios.push_back(ours.back() / reference.back());
        textRatios.push_back(text.back() / reference.back());
        if (!other.isEmpty())
            otherRatios.push_back(others.back() / reference.back());
    }
    std::printf("process start to first paint, median of %d runs, alternating:\n", runs);
    std::printf("  loftwell           %.0f ms  %.2fx the reference (median of each round's ratio)\n", median(ours),
                median(ratios));
    if (!other.isEmpty())
        std::printf("  other build        %.0f ms  %.2fx\n", median(others), median(otherRatios));
    std::printf("  minimal Qt window  %.0f ms (reference)\n", median(reference));
    std::printf("  the same with one line of text  %.0f ms  %.2fx\n", median(text), median(textRatios));
    return 0;
}
