// Takes the README's screenshots of the three main states in a real X
// server (run under xvfb-run): before the first scan, the recommendations,
// and a transfer report. Folders are generated; sizes of the sample items
// are scripted so no large files are written.
//   readme_screenshots OUTPUT_DIR

#include "app/app_delegate.h"
#include "controller/main_window_controller.h"
#include "support/scripted_dialogs.h"
#include "support/scripted_file_system.h"
#include "support/temp_dir.h"
#include "support/window_probe.h"
#include "ui/app_font.h"
#include "ui/main_window.h"
#include "ui/qt_dialogs.h"

#include <QApplication>
#include <QCheckBox>
#include <QMessageBox>
#include <QTest>
#include <QTimer>

#include <cstdio>

namespace fs = std::filesystem;

namespace {

// Answers pickers from a script but shows alerts for real, so they can be
// photographed.
class ShowingDialogs : public ScriptedDialogs {
public:
    QString output;
    void showAlert(const QString& title, const QString& message) override
    {
        ScriptedDialogs::showAlert(title, message);
        QTimer::singleShot(400, [this] {
            if (QWidget* box = QApplication::activeModalWidget()) {
                box->grab().save(output + QStringLiteral("/readme-report.png"));
                box->close();
            }
        });
        QtDialogs real(QApplication::activeWindow());
        real.showAlert(title, message);
    }
};

bool save(QWidget* window, const QString& file)
{
    QTest::qWait(300);
    return window->grab().save(file);
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    QApplication::setFont(appFont(13, FontWeight::regular)); // as the application does
    if (argc != 2) {
        std::fprintf(stderr, "usage: readme_screenshots OUTPUT_DIR\n");
        return 2;
    }
    const QString output = QString::fromLocal8Bit(argv[1]);
    TempDir dir;
    const fs::path home = dir / "home";
    struct Sample {
        const char* name;
        std::int64_t bytes;
    };
    const Sample samples[] = {{"Family Videos 2024", 18'400'000'000},
                              {"Ubuntu 24.04.iso", 6'100'000'000},
                              {"Wedding Photos", 4'720'000'000},
                              {"Project Archive.zip", 2'300'000'000},
                              {"Podcast Recordings", 1'150'000'000},
                              {"Ubuntu.utm", 12'800'000'000},
                              {"Editor.app", 950'000'000}};
    ScriptedFileSystem fileSystem;
    fileSystem.setHome(home);
    for (const Sample& sample : samples) {
        const fs::path item = home / "Downloads" / sample.name;
        makeFolder(item);
        fileSystem.setTreeSize(item, sample.bytes);
    }
    // This computer's disk, as the summary's bar shows it.
    fileSystem.setVolumeValues(home / "Downloads", VolumeValues{std::nullopt, 180'000'000'000, 512'000'000'000});
    makeFolder(dir / "Backup Drive");
    fileSystem.setVolumeValues(dir / "Backup Drive",
                               VolumeValues{QStringLiteral("Backup"), 812'000'000'000, std::nullopt});

    ShowingDialogs dialogs;
    dialogs.output = output;
    MainWindowController controller(fileSystem, dialogs);
    MainWindow window(controller.view());
    const WindowProbe ui{controller.view()};
    window.show();
    if (!QTest::qWaitForWindowExposed(&window))
        return 1;
    bool good = save(&window, output + QStringLiteral("/readme-ready.png"));

    dialogs.folderAnswers.push_back({dir / "Backup Drive"});
    controller.refreshVolumesAction();
    dialogs.folderAnswers.push_back({home / "Downloads"});
    controller.scanAction();
    good = QTest::qWaitFor([&] { return !ui.busy(); }, 20'000) && good;
    good = save(&window, output + QStringLiteral("/readme-results.png")) && good;

    // The transfer's copies fail here (the samples are empty folders whose
    // sizes were scripted), which makes a report with failure lines.
    controller.selectSafeAction();
    ui.moveToTrashCheckbox()->setChecked(false);
    for (const Sample& sample : samples)
        fileSystem.failCopy(home / "Downloads" / sample.name, systemError(ENOSPC));
    dialogs.confirmAnswers.push_back(true);
    controller.transferAction();
    good = QTest::qWaitFor([&] { return !ui.busy() && !dialogs.alerts.empty(); }, 30'000) && good;
    QTest::qWait(800);
    std::printf("screenshots in %s: %s\n", qPrintable(output), good ? "ok" : "FAILED");
    return good ? 0 : 1;
}
