// Renders the application icon from the window's own drive drawing, so the
// icon and the toolbar symbol never drift apart. Run at build time:
//   loftwell-icon-renderer OUTPUT_DIR SIZE...
// writes OUTPUT_DIR/SIZExSIZE/apps/loftwell.png for each size.

#include "ui/app_icon.h"

#include <QApplication>
#include <QDir>
#include <QImage>

#include <cstdio>

int main(int argc, char* argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    if (argc < 3) {
        std::fprintf(stderr, "usage: loftwell-icon-renderer OUTPUT_DIR SIZE...\n");
        return 2;
    }
    const QString output = QString::fromLocal8Bit(argv[1]);
    for (int i = 2; i < argc; ++i) {
        const int size = QString::fromLatin1(argv[i]).toInt();
        if (size <= 0)
            return 2;
        const QImage image = renderAppIcon(size);
        const QString folder = QStringLiteral("%1/%2x%2/apps").arg(output).arg(size);
        QDir().mkpath(folder);
        if (!image.save(folder + QStringLiteral("/loftwell.png")))
            return 1;
    }
    return 0;
}
